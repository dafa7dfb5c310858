#include "scrivlet_designer_plugin.h"

#include "qt/qt_icons.h"
#include "qt/scrivlet_widget.h"

namespace scrivlet {

ScrivletDesignerPlugin::ScrivletDesignerPlugin(QObject* parent) : QObject(parent) {}

QString ScrivletDesignerPlugin::name() const {
  return QStringLiteral("scrivlet::ScrivletWidget");
}

QString ScrivletDesignerPlugin::group() const {
  return QStringLiteral("Scrivlet");
}

QString ScrivletDesignerPlugin::toolTip() const {
  return QStringLiteral("Scrivlet HTML editor");
}

QString ScrivletDesignerPlugin::whatsThis() const {
  return QStringLiteral(
      "A WYSIWYG HTML editor with a formatting toolbar. Read and assign the document through "
      "TextHTML or TextRTF.");
}

QString ScrivletDesignerPlugin::includeFile() const {
  return QStringLiteral("qt/scrivlet_widget.h");
}

QIcon ScrivletDesignerPlugin::icon() const {
  return BuiltinIcon(kProductIconName);
}

bool ScrivletDesignerPlugin::isContainer() const {
  return false;
}

QWidget* ScrivletDesignerPlugin::createWidget(QWidget* parent) {
  return new ScrivletWidget(parent);
}

bool ScrivletDesignerPlugin::isInitialized() const {
  return initialized_;
}

void ScrivletDesignerPlugin::initialize(QDesignerFormEditorInterface* /*core*/) {
  initialized_ = true;
}

QString ScrivletDesignerPlugin::domXml() const {
  return QStringLiteral(
      "<ui language=\"c++\" displayname=\"Scrivlet HTML Editor\">\n"
      " <widget class=\"scrivlet::ScrivletWidget\" name=\"scrivletWidget\">\n"
      "  <property name=\"geometry\">\n"
      "   <rect><x>0</x><y>0</y><width>480</width><height>320</height></rect>\n"
      "  </property>\n"
      " </widget>\n"
      "</ui>\n");
}

}  // namespace scrivlet
