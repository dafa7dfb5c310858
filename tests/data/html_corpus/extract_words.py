#!/usr/bin/env python3
"""The words of an HTML page as a browser shows them, found without gumbo: Python's own
html.parser. One word a line with its formatting: WORD<TAB>flags, flags "b" (inside b, strong,
th, a heading or a bold style), "i" (inside i, em, cite, var, dfn, address or an italic style) and "a" (inside a link), each
taken where the word begins. Text the page does not show (head, script, style...) is left out.
Bytes that are not UTF-8 are read as code page 1252."""
import sys
from html.parser import HTMLParser

HIDDEN = {"head", "title", "script", "style", "template", "noscript", "iframe", "object",
          "embed", "svg", "math", "select", "textarea", "canvas", "audio", "video", "map",
          "datalist"}
VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
        "source", "track", "wbr"}
BOLD = {"b", "strong", "th", "h1", "h2", "h3", "h4", "h5", "h6"}
ITALIC = {"i", "em", "cite", "var", "dfn", "address"}
# Elements whose edges separate words, as block boundaries and line breaks do.
BREAKS = {"p", "div", "br", "li", "tr", "td", "th", "h1", "h2", "h3", "h4", "h5", "h6", "ul",
          "ol", "dl", "dt", "dd", "table", "blockquote", "pre", "hr", "img", "section",
          "article", "header", "footer", "nav", "aside", "main", "figure", "figcaption",
          "caption", "center", "address", "form", "fieldset", "legend", "body", "html"}


class Words(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.words = []
        self.current = None  # [text, flags]

    def flags(self):
        names = [name for name, _, _ in self.stack]
        styled = "".join(flags for _, _, flags in self.stack)
        out = ""
        if any(n in BOLD for n in names) or "b" in styled:
            out += "b"
        if any(n in ITALIC for n in names) or "i" in styled:
            out += "i"
        if any(n == "a" and link for n, link, _ in self.stack):
            out += "a"
        return out

    def end_word(self):
        if self.current is not None:
            self.words.append(self.current)
            self.current = None

    def hidden(self):
        return any(name in HIDDEN for name, _, _ in self.stack)

    def handle_starttag(self, tag, attrs):
        if tag in BREAKS:
            self.end_word()
        if tag in VOID:
            return
        style = "".join((v or "") for k, v in attrs if k == "style").replace(" ", "").lower()
        if "font-weight:bold" in style:
            tag_flags = "b"
        elif "font-style:italic" in style:
            tag_flags = "i"
        else:
            tag_flags = ""
        self.stack.append((tag, tag == "a" and any(k == "href" for k, _ in attrs), tag_flags))

    def handle_startendtag(self, tag, attrs):
        if tag in BREAKS:
            self.end_word()

    def handle_endtag(self, tag):
        if tag in BREAKS:
            self.end_word()
        for i in range(len(self.stack) - 1, -1, -1):
            if self.stack[i][0] == tag:
                del self.stack[i:]
                break

    def handle_data(self, data):
        if self.hidden():
            return
        for ch in data:
            if ch.isspace():
                self.end_word()
            elif self.current is None:
                self.current = [ch, self.flags()]
            else:
                self.current[0] += ch


def main():
    data = open(sys.argv[1], "rb").read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        text = data.decode("cp1252", errors="replace")
    parser = Words()
    parser.feed(text)
    parser.close()
    parser.end_word()
    out = sys.stdout.buffer
    for word, flags in parser.words:
        out.write((word + "\t" + flags + "\n").encode("utf-8"))


main()
