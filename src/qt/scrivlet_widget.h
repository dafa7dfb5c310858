#pragma once

#include <QColor>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <memory>
#include <string_view>

class QToolBar;
class QTextEdit;

namespace scrivlet {

class PropertyBag;
class QtPasswordKeyring;
class QtPlatform;
class QtRichTextBox;
class Scrivlet;
enum class SurfaceShortcut;

// The Scrivlet HTML editor as a Qt widget: a formatting toolbar above a rich-text editing
// surface. Drop it into a form (in code, or from Qt Designer with the Scrivlet plugin), set its
// properties, and read or assign the document as HTML or RTF:
//
//   scrivlet::ScrivletWidget editor;
//   editor.setProperty("FontName", "Verdana");
//   editor.setTextHTML("<B>Hello</B> world<BR>");
//   QString rtf = editor.TextRTF();
//
// Properties (also through QObject::property and setProperty, and in Designer's property
// editor) are the control's own. Each is read by its name and assigned by set<Name> (the form
// compiler's convention, so that forms made in Designer compile):
//
//   TextHTML          the document as HTML; assigning converts and loads it (the caret goes to
//                     the start and the undo history is emptied). HTML the converter rejects
//                     (a SIZE that is not a number, a COLOR that is not hex) leaves the document
//                     as it was and raises conversionFailed.
//   TextRTF           the document as RTF.
//   AllowCustomize    whether the user may customise the toolbar (its context menu).
//   FontSize          the default HTML font size, 1 to 7 (3 is 12 pt).
//   FontName          the default font face.
//   ButtonsEdit, ButtonsFontSize, ButtonsFontStyle, ButtonsFontColor, ButtonsIndent,
//   ButtonsAlign, ButtonsBullets, ButtonsHyperlink, ButtonsPicture, ButtonsAbout
//                     the toolbar's button groups. Assigning false removes the group for good
//                     (true changes nothing); a restored widget removes the groups it does not
//                     offer once control returns to the event loop.
//   FTPServer, FTPUsername, FTPPassword (scrambled form), FTPSecure, ImagesPath
//                     where the picture dialog publishes pictures: an FTP server (over TLS
//                     when FTPSecure), else a folder.
//   WDDX              a WDDX packet of predefined pictures, hyperlinks and font face lists.
//   BackColor         the editing surface's background. Until assigned it follows the
//                     system's window colour; resetBackColor goes back to that.
//   ForeColor         the default text colour.
//   AllowRawHtml      false (the default): TextHTML can run no script; a raw tag other than an
//                     allowed picture reads as text. True passes raw tags through unchanged.
//   HtmlImport        how TextHTML reads a page: "Auto" (the editor's own pages by its dialect,
//                     any other by the HTML reader), "Dialect" or "Html5".
//   HtmlOutput        what TextHTML gives: "Classic" (the dialect) or "Html5".
//
// The property set is saved and restored through a PropertyBag (SaveProperties and
// RestoreProperties, over a QSettings group or a host's QVariantMap). Per-user state (the
// toolbar layout the user chose, the FTP panel's settings) is kept in QSettings under
// "Korvex/Scrivlet". Settings files the widget writes are readable by the user only.
//
// The FTP password: where the desktop has a keyring (Secret Service or KWallet), a saved set
// leaves FTPPassword out and the keyring keeps it (its scrambled form, under
// "ftp://<FTPUsername>@<FTPServer>" of the application "Scrivlet"); a restored set without one
// takes the keyring's. Without a keyring, and for sets saved before, the set holds the scrambled
// form as it always did.
//
// Keyboard: Ctrl+B, Ctrl+I and Ctrl+U do what the Bold, Italic and Underline buttons do;
// Ctrl+X, Ctrl+C and Ctrl+V what Cut, Copy and Paste do (copy also puts plain text on the
// clipboard for other programs, and a keyboard paste of plain text inserts it in the typing
// style). Shift+Enter, like Enter, starts a new paragraph.
class ScrivletWidget : public QWidget {
  Q_OBJECT
  // One line for each row of ControlProperties(), in its order (a test holds them to it): moc
  // needs them written out.
  Q_PROPERTY(QString TextHTML READ TextHTML WRITE setTextHTML NOTIFY contentsChanged USER true)
  Q_PROPERTY(QString TextRTF READ TextRTF WRITE setTextRTF NOTIFY contentsChanged
                 DESIGNABLE false STORED false)
  Q_PROPERTY(
      bool AllowCustomize READ AllowCustomize WRITE setAllowCustomize NOTIFY allowCustomizeChanged)
  Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize NOTIFY fontSizeChanged)
  Q_PROPERTY(QString FontName READ FontName WRITE setFontName NOTIFY fontNameChanged)
  Q_PROPERTY(bool ButtonsEdit READ ButtonsEdit WRITE setButtonsEdit NOTIFY buttonsChanged)
  Q_PROPERTY(
      bool ButtonsFontSize READ ButtonsFontSize WRITE setButtonsFontSize NOTIFY buttonsChanged)
  Q_PROPERTY(
      bool ButtonsFontStyle READ ButtonsFontStyle WRITE setButtonsFontStyle NOTIFY buttonsChanged)
  Q_PROPERTY(
      bool ButtonsFontColor READ ButtonsFontColor WRITE setButtonsFontColor NOTIFY buttonsChanged)
  Q_PROPERTY(bool ButtonsIndent READ ButtonsIndent WRITE setButtonsIndent NOTIFY buttonsChanged)
  Q_PROPERTY(bool ButtonsAlign READ ButtonsAlign WRITE setButtonsAlign NOTIFY buttonsChanged)
  Q_PROPERTY(bool ButtonsBullets READ ButtonsBullets WRITE setButtonsBullets NOTIFY buttonsChanged)
  Q_PROPERTY(
      bool ButtonsHyperlink READ ButtonsHyperlink WRITE setButtonsHyperlink NOTIFY buttonsChanged)
  Q_PROPERTY(bool ButtonsPicture READ ButtonsPicture WRITE setButtonsPicture NOTIFY buttonsChanged)
  Q_PROPERTY(bool ButtonsAbout READ ButtonsAbout WRITE setButtonsAbout NOTIFY buttonsChanged)
  Q_PROPERTY(QString FTPServer READ FTPServer WRITE setFTPServer NOTIFY publishingChanged)
  Q_PROPERTY(QString FTPUsername READ FTPUsername WRITE setFTPUsername NOTIFY publishingChanged)
  Q_PROPERTY(QString FTPPassword READ FTPPassword WRITE setFTPPassword NOTIFY publishingChanged)
  Q_PROPERTY(bool FTPSecure READ FTPSecure WRITE setFTPSecure NOTIFY publishingChanged)
  Q_PROPERTY(QString ImagesPath READ ImagesPath WRITE setImagesPath NOTIFY publishingChanged)
  Q_PROPERTY(QString WDDX READ WDDX WRITE setWDDX NOTIFY wddxChanged)
  Q_PROPERTY(QColor ForeColor READ ForeColor WRITE setForeColor NOTIFY foreColorChanged)
  Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor RESET resetBackColor NOTIFY
                 backColorChanged)
  Q_PROPERTY(bool AllowRawHtml READ AllowRawHtml WRITE setAllowRawHtml NOTIFY allowRawHtmlChanged)
  Q_PROPERTY(QString HtmlImport READ HtmlImport WRITE setHtmlImport NOTIFY htmlModeChanged)
  Q_PROPERTY(QString HtmlOutput READ HtmlOutput WRITE setHtmlOutput NOTIFY htmlModeChanged)

 public:
  // A new editor with the properties' defaults and an empty document.
  explicit ScrivletWidget(QWidget* parent = nullptr);
  // An editor restored from a saved property set (see RestoreProperties). Throws
  // PropertyBagError for a value of the wrong type.
  explicit ScrivletWidget(const PropertyBag& properties, QWidget* parent = nullptr);
  ~ScrivletWidget() override;
  ScrivletWidget(const ScrivletWidget&) = delete;
  ScrivletWidget& operator=(const ScrivletWidget&) = delete;

  // ----- Properties -----

  // The HTML is built from the document on every read; keep the result rather than reading it
  // after every keystroke (contentsChanged says when it may differ).
  QString TextHTML() const;
  // HTML the converter rejects leaves the document as it was and raises conversionFailed.
  void setTextHTML(const QString& html);
  // The same, returning false (with the converter's message in `error` when given) instead.
  bool TrySetTextHTML(const QString& html, QString* error = nullptr);
  QString TextRTF() const;
  void setTextRTF(const QString& rtf);
  bool AllowCustomize() const;
  void setAllowCustomize(bool allow);
  bool AllowRawHtml() const;
  void setAllowRawHtml(bool allow);
  int FontSize() const;
  // Values outside -32768..32767 are clamped.
  void setFontSize(int size);
  QString FontName() const;
  void setFontName(const QString& face);
  bool ButtonsEdit() const;
  void setButtonsEdit(bool offered);
  bool ButtonsFontSize() const;
  void setButtonsFontSize(bool offered);
  bool ButtonsFontStyle() const;
  void setButtonsFontStyle(bool offered);
  bool ButtonsFontColor() const;
  void setButtonsFontColor(bool offered);
  bool ButtonsIndent() const;
  void setButtonsIndent(bool offered);
  bool ButtonsAlign() const;
  void setButtonsAlign(bool offered);
  bool ButtonsBullets() const;
  void setButtonsBullets(bool offered);
  bool ButtonsHyperlink() const;
  void setButtonsHyperlink(bool offered);
  bool ButtonsPicture() const;
  void setButtonsPicture(bool offered);
  bool ButtonsAbout() const;
  void setButtonsAbout(bool offered);
  QString FTPServer() const;
  void setFTPServer(const QString& server);
  QString FTPUsername() const;
  void setFTPUsername(const QString& user);
  QString FTPPassword() const;
  void setFTPPassword(const QString& password);
  bool FTPSecure() const;
  void setFTPSecure(bool secure);
  QString ImagesPath() const;
  void setImagesPath(const QString& path);
  // A mode the control does not know is ignored with a warning; the property keeps its value.
  QString HtmlImport() const;
  void setHtmlImport(const QString& mode);
  QString HtmlOutput() const;
  void setHtmlOutput(const QString& mode);
  QString WDDX() const;
  void setWDDX(const QString& packet);
  // The colour shown; the system's window colour while no colour was assigned.
  QColor BackColor() const;
  void setBackColor(const QColor& color);
  // Back to the system's window colour.
  void resetBackColor();
  QColor ForeColor() const;
  void setForeColor(const QColor& color);

  // ----- Saving and restoring the property set -----

  // Writes every property except the document (hosts keep TextHTML or TextRTF themselves);
  // values equal to their defaults are left out.
  void SaveProperties(PropertyBag& bag) const;
  QVariantMap SaveProperties() const;
  // Into the group `group` of `settings`, replacing what it held.
  void SaveProperties(QSettings& settings, const QString& group) const;
  // Reads a saved property set, as an editor restored from it would: call it on a new widget,
  // before the user works with it. Names the set lacks take their defaults. Throws
  // PropertyBagError for a value of the wrong type (the QVariantMap and QSettings forms return
  // false instead, with the message in `error` when given).
  void RestoreProperties(const PropertyBag& bag);
  bool RestoreProperties(const QVariantMap& properties, QString* error = nullptr);
  bool RestoreProperties(QSettings& settings, const QString& group, QString* error = nullptr);

  // ----- Commands, for a host's menus -----

  // Runs the toolbar command `key` ("Bold", "Hyperlink", ...) as a click on its button does;
  // false, doing nothing, when the toolbar does not show that entry enabled.
  bool RunCommand(std::string_view key);
  // Whether RunCommand(key) would run.
  bool CommandEnabled(std::string_view key) const;
  // What the editing keys do (Ctrl+X, Ctrl+C, Ctrl+V, Ctrl+Z, Ctrl+Y, Ctrl+A): the toolbar's
  // command where there is one, else the surface's own (plain text is pasted in the typing
  // style; undo and redo walk the surface's history).
  void Cut();
  void Copy();
  void Paste();
  void Undo();
  void Redo();
  void SelectAll();

  // True while a restored editor has yet to finish starting: the button groups it does not
  // offer and the user's toolbar layout are applied once control returns to the event loop.
  bool StartPending() const;

  // ----- The parts, for hosts that need more than the properties -----

  Scrivlet& Control();
  const Scrivlet& Control() const;
  QtPlatform& Platform();
  QtRichTextBox& Surface();
  QTextEdit* Editor() const;
  QToolBar* ToolBar() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The document changed, by the user or by code. Nothing is converted to raise it: read
  // TextHTML when the new content is needed (a host refreshing a view may wait until edits
  // pause).
  void contentsChanged();
  // A TextHTML assignment was rejected; the document is unchanged.
  void conversionFailed(const QString& message);
  // A property changed, with its name (every property but the document's).
  void propertyChanged(const QString& name);
  void allowCustomizeChanged();
  void fontSizeChanged();
  void fontNameChanged();
  void buttonsChanged();
  void publishingChanged();
  void wddxChanged();
  void backColorChanged();
  void foreColorChanged();
  void allowRawHtmlChanged();
  void htmlModeChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Start(const PropertyBag* properties);
  bool TryRestoreProperties(const PropertyBag& bag, QString* error);
  void OnPropertyChanged(std::string_view name);
  void OnDocumentChanged();
  void LayOut();
  bool RunShortcut(SurfaceShortcut shortcut);
  // Clicks the toolbar entry `key`; false when the toolbar shows no such enabled entry.
  bool ClickEntry(std::string_view key);

  // Before the platform and the control: Start reads the saved password through it.
  std::unique_ptr<QtPasswordKeyring> keyring_;
  std::unique_ptr<QtPlatform> platform_;
  std::unique_ptr<Scrivlet> control_;
  // Whole-document loads change the editor's document many times; they report once.
  int loading_ = 0;
};

}  // namespace scrivlet
