#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "hosts/headless/headless_host.h"
#include "hosts/headless/memory_property_bag.h"

namespace scrivlet {

// A step of a script that could not be carried out; the message says why.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A scripted session against a headless control: one command a line, so that any behaviour of
// the editor can be reproduced from a text file. The control starts as a new instance sized
// 9600 x 7200 twips. Blank lines and lines starting with "#" are skipped; values may use the
// escapes \n, \t and \\.
//
//   html TEXT | rtf TEXT              assign TextHTML / TextRTF
//   set PROPERTY VALUE                assign a public property (True/False, decimal or 0x-hex,
//                                     @FILE for a file's contents)
//   size WIDTH HEIGHT                 resize the control (twips)
//   select START LENGTH               select as the user does
//   type TEXT                         type TEXT a key at a time over the selection
//   paste TEXT                        replace the selection with plain TEXT in one step
//   key backspace|delete [COUNT]      press Backspace or Delete
//   undo | redo                       undo or redo one step of the surface's history
//   click KEY                         click the toolbar button with that key (a disabled one
//                                     does nothing; a missing one fails)
//   menu face|size INDEX              the item chosen in the next popup of that menu
//   answer hyperlink ok|cancel [pick=N] [url=V] [text=V]
//   answer picture ok|cancel [fromfile] [pick=N] [src=V] [alt=V] [align=V] [width=V]
//                  [height=V] [border=V] [hspace=V] [vspace=V]
//   answer imagecopy copy|cancel [file=PATH] [as=NAME] [proxy=V] [passive=0|1] [append=0|1]
//                                 [secure=0|1]
//   answer color ok N|cancel          answer msgbox yes|no|ok
//   clipboard rtf TEXT|text TEXT|clear
//   save | load | tick                write the property bag / restore a new instance from it /
//                                     run the deferred work (the one-shot pass)
//   print html|rtf|text|selection|toolbar|menu face|menu size|property NAME|messages
class ScriptSession {
 public:
  explicit ScriptSession(std::ostream& out);
  ~ScriptSession();

  // Runs every line of `script`. Throws ScriptError naming the line of the first step that
  // fails.
  void Run(std::istream& script);
  // Runs one command line.
  void Execute(std::string_view line);

  HeadlessHost& Host() { return *host_; }

 private:
  using Words = std::vector<std::string>;
  using DialogAnswer = std::function<void(Form&)>;

  void StartHost(const PropertyBag* restoreFrom);
  void RegisterDialogUsers();
  void Set(std::string_view property, std::string_view value);
  void Type(std::u16string_view text);
  void Print(const Words& words);
  void PrintProperty(std::string_view property);
  void PrintToolbar();
  void PrintMenu(const PopupMenu& menu);
  void PrintMessages();
  void Answer(const Words& words);
  void AnswerHyperlink(const Words& words);
  void AnswerPicture(const Words& words);
  void AnswerImageCopy(const Words& words);
  void Clipboard(const Words& words, std::string_view rest);

  std::ostream& out_;
  std::unique_ptr<HeadlessHost> host_;
  MemoryPropertyBag bag_;
  std::map<std::string, std::deque<DialogAnswer>, std::less<>> answers_;
};

}  // namespace scrivlet
