#!/bin/sh
# The command-line tool as a user runs it: outputs, options and exit statuses.
# Needs SCRIVLET (the binary) and SCRIVLET_EXAMPLES (the examples folder).
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect NAME STATUS EXPECTED_STDOUT -- ARGS...   (standard input from $work/in)
expect() {
  name=$1 status=$2 expected=$3
  shift 4
  "$SCRIVLET" "$@" <"$work/in" >"$work/out" 2>"$work/err"
  actual_status=$?
  [ "$actual_status" -eq "$status" ] || fail "$name: status $actual_status, expected $status"
  actual=$(cat "$work/out")
  [ "$actual" = "$expected" ] || fail "$name: output [$actual], expected [$expected]"
}

printf '<B>Hi</B>' >"$work/in"
expect "body from stdin" 0 '{\fonttbl{\f0 Arial;}}{\colortbl\red0\green0\blue0;}\b Hi\b0 ' -- html2rtf --body
expect "document with the default font" 0 \
  '{\rtf1\ansi\deftab720\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\froman\fcharset2 Symbol;}}{\fonttbl{\f0 Arial;}}{\colortbl\red0\green0\blue0;}\b Hi\b0 }' \
  -- html2rtf --document
expect "document with a font name" 0 \
  '{\rtf1\ansi\deftab720\deff0{\fonttbl{\f0\fswiss Times New Roman;}{\f1\froman\fcharset2 Symbol;}}{\fonttbl{\f0 Arial;}}{\colortbl\red0\green0\blue0;}\b Hi\b0 }' \
  -- html2rtf --document --font-name "Times New Roman"

# ForeColor is in platform order 0x00BBGGRR; the colour table is written red, green, blue.
expect "fore colour in hex" 0 '{\fonttbl{\f0 Arial;}}{\colortbl\red255\green0\blue0;}\b Hi\b0 ' \
  -- html2rtf --body --fore-color 0x0000FF
expect "fore colour in decimal" 0 '{\fonttbl{\f0 Arial;}}{\colortbl\red0\green0\blue255;}\b Hi\b0 ' \
  -- html2rtf --body --fore-color 16711680

printf '<FONT FACE=Georgia>x' >"$work/page.html"
expect "input from a file" 0 '{\fonttbl{\f0 Arial;}{\f1 Georgia;}}{\colortbl\red0\green0\blue0;}\f1\fs24\cf0 x' \
  -- html2rtf --body "$work/page.html"

printf '{\\rtf1{\\fonttbl{\\f0\\fswiss Georgia;}}\\pard\\plain\\f0 x\\plain\\par }' >"$work/in"
expect "rtf2html without face lists" 0 'x' -- rtf2html --direct
printf "<field name='FONT_FACE'><string>Georgia, Times</string></field>" >"$work/faces.wddx"
expect "rtf2html with a WDDX packet" 0 "<FONT FACE='Georgia, Times'>x</FONT>" \
  -- rtf2html --direct --wddx "$work/faces.wddx"

printf '{\\rtf1{\\fonttbl{\\f0 Georgia;}}\\f0\\b x\\par }' >"$work/in"
expect "rtf2rtf writes the surface's dialect" 0 \
  '{\rtf1\ansi\deff0\deftab720\uc0{\fonttbl{\f0\fswiss Verdana;}{\f1\froman\fcharset2 Symbol;}{\f2\fswiss Georgia;}}{\colortbl\red0\green0\blue0;}\pard\plain\f2\fs24\cf0\b x\plain\par }' \
  -- rtf2rtf --font-name Verdana

printf "<A HREF='a.htm'>Home</A> page" >"$work/in"
"$SCRIVLET" html2rtf --document <"$work/in" | "$SCRIVLET" rtf2rtf | "$SCRIVLET" rtf2html --direct \
  >"$work/out" || fail "the pipeline of a page through the surface"
grep -q "<A HREF='a.htm'><U>Home</U></A>" "$work/out" || fail "the pipeline keeps the link"

# A page written since 2000: lower-case paragraphs, bold, a list and a link all survive a trip.
printf '<p>First <b>bold</b> para.</p>\n<ul><li>one</li><li>two</li></ul>\n<p>see <a href="http://example.com/">the site</a></p>' >"$work/in"
"$SCRIVLET" roundtrip <"$work/in" >"$work/out" || fail "roundtrip of a lower-case page"
for kept in '<B>bold</B>' '</FONT><BR>' '<UL><LI><FONT SIZE=3 COLOR=#000000>one</FONT></LI><LI>' \
  "<A HREF='http://example.com/'><U>the site</U></A>"; do
  grep -qF "$kept" "$work/out" || fail "roundtrip of a lower-case page keeps $kept"
done
expect "roundtrip to HTML5" 0 '<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Document</title></head>
<body style="font-family:'"'Arial'"';font-size:12pt">
<p>First <strong>bold</strong> para.</p>
<ul>
<li>one</li>
<li>two</li>
</ul>
<p>see <a href="http://example.com/">the site</a></p>
</body></html>' -- roundtrip --html-output html5
printf '<FONT COLOR=navy>x</FONT>' >"$work/in"
expect "a colour name read by the reader" 0 '<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000080>x</FONT>' -- roundtrip
expect "the converter alone keeps its error" 1 '' -- roundtrip --html-import dialect
expect "an unknown import mode" 2 '' -- roundtrip --html-import nope
expect "an unknown output mode" 2 '' -- roundtrip --html-output xhtml

printf '<B>x</B>' >"$work/in"
expect "html2rtf through a control" 0 \
  '{\rtf1\ansi\deff0\deftab720\uc0{\fonttbl{\f0\fswiss Arial;}{\f1\froman\fcharset2 Symbol;}}{\colortbl\red0\green0\blue0;}\pard\plain\f0\fs24\cf0\b x\plain\par }' \
  -- html2rtf
expect "roundtrip through a control" 0 \
  '<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000000><B>x</B></FONT>' -- roundtrip
printf '{\\rtf1 plain\\par }' >"$work/in"
expect "rtf2html through a control" 0 \
  '<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000000>plain</FONT>' -- rtf2html

# HTML files are read by their declaration; stdin through a pipe, in pieces, as a file is.
printf '<meta charset=windows-1251>\317\360\350' >"$work/in"
expect "a declared code page" 0 \
  '<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000000>&#1055;&#1088;&#1080;</FONT>' \
  -- roundtrip
printf '\377\376<\000B\000>\000\351\000' >"$work/in"
expect "a UTF-16 file with its byte order mark" 0 \
  '{\fonttbl{\f0 Arial;}}{\colortbl\red0\green0\blue0;}\b \u233 ' -- html2rtf --body "$work/in"
head -c 3000000 /dev/zero | tr '\0' 'a' | "$SCRIVLET" rtf2html --direct | wc -c >"$work/out"
[ "$(cat "$work/out")" -eq 3000000 ] || fail "a large input through a pipe arrives whole"

# A large input into a file is written while it converts: the file gets what a pipe gets, and a
# conversion that fails late leaves the file as it was (empty, or its earlier text).
words() { yes 'plain \b bold\b0  \i italic\i0  text' | head -c 6000000; }
{ printf '{\\rtf1 '; words; printf '\\par }'; } >"$work/big.rtf"
"$SCRIVLET" rtf2html --direct "$work/big.rtf" >"$work/big.html" || fail "a large input into a file"
"$SCRIVLET" rtf2html --direct "$work/big.rtf" | cmp -s - "$work/big.html" ||
  fail "a large input into a file arrives as through a pipe"
{ printf '{\\rtf1 '; words; printf '\\fs99999999999 x\\par }'; } >"$work/late.rtf"
: >"$work/late.html"
"$SCRIVLET" rtf2html --direct "$work/late.rtf" >"$work/late.html" 2>"$work/err"
[ $? -eq 1 ] && [ ! -s "$work/late.html" ] || fail "a late conversion error leaves the file empty"
{ printf 'before'; "$SCRIVLET" rtf2html --direct "$work/late.rtf"; } >"$work/late.html" 2>"$work/err"
[ "$(cat "$work/late.html")" = before ] || fail "a late conversion error keeps what the file held"

printf 'html <B>x</B>\nselect 0 1\nclick Bold\nprint html\n' >"$work/in"
expect "a script" 0 '<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#000000>x</FONT>' -- script
printf 'html x\nbogus\n' >"$work/in"
expect "a script with an unknown command" 1 '' -- script
grep -q 'line 2: unknown command "bogus"' "$work/err" || fail "the failing line is named"

printf '<FONT COLOR=red>x' >"$work/in"
expect "conversion error" 1 '' -- html2rtf --body
grep -q 'COLOR value "red" is not a hexadecimal number' "$work/err" || fail "conversion error message"

: >"$work/in"
expect "no command" 2 '' --
grep -q '^usage: scrivlet' "$work/err" || fail "usage line"
expect "unknown command" 2 '' -- convert
expect "mode of another command" 2 '' -- rtf2html --body
expect "missing file" 2 '' -- html2rtf --body "$work/none.html"
expect "bad colour" 2 '' -- html2rtf --body --fore-color blue
expect "option without value" 2 '' -- html2rtf --body --font-name
expect "two files" 2 '' -- html2rtf --body a b

"$SCRIVLET" html2rtf --document "$SCRIVLET_EXAMPLES/sample.html" >"$work/sample.rtf" ||
  fail "sample.html converts"
"$SCRIVLET" rtf2html --direct "$SCRIVLET_EXAMPLES/sample.rtf" >"$work/sample.html" ||
  fail "sample.rtf converts"
grep -q "<A HREF='http://www.example.com/'>" "$work/sample.html" || fail "sample link"

# Hostile input through every command that writes HTML: no script survives.
printf '%s' "<!-- ScrivletHTML --><SCRIPT>alert(1)</SCRIPT><A HREF='javascript:alert(1)'>x</A>" >"$work/in"
expect "hostile page through a control" 0 \
  "<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#C0C0C0><I><U></U></I></FONT><FONT SIZE=3 COLOR=#000000><A HREF='#'><U>x</U></A></FONT>" \
  -- roundtrip
expect "hostile page in the dialect through a control" 0 \
  "<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=1 COLOR=#C0C0C0><I>&lt;SCRIPT&gt;</I></FONT><FONT SIZE=1 COLOR=#000000>alert(1)</FONT><FONT SIZE=1 COLOR=#C0C0C0><I><U></U></I></FONT><FONT SIZE=1 COLOR=#000000><A HREF='#'><U>x</U></A></FONT>" \
  -- roundtrip --html-import dialect
printf '%s' '{\rtf1\ansi{\field{\*\fldinst HYPERLINK "javascript:alert(1)"}{\fldrslt go}}\par }' >"$work/in"
expect "hostile hyperlink field through a control" 0 \
  "<!-- Korvex, Inc. Scrivlet 2.3.0.0 --><FONT SIZE=3 COLOR=#C0C0C0><I><U></U></I></FONT><FONT SIZE=3 COLOR=#000000><A HREF='#'><U>go</U></A></FONT>" \
  -- rtf2html
printf '%s' '{\rtf1{\colortbl\red0\green0\blue0;\red192\green192\blue192;}\pard\cf1\i <IMG SRC=x onerror=alert(1)>\par }' >"$work/in"
expect "hostile raw tag through the converter" 0 \
  '<FONT COLOR=#C0C0C0><I>&lt;IMG SRC=x onerror=alert(1)&gt;</FONT>' -- rtf2html --direct

[ "$failures" -eq 0 ] || exit 1
echo "cli tests passed"
