// The Designer plugin as Qt Designer loads it: from its file, through the plugin interface.

#include <gtest/gtest.h>

#ifdef SCRIVLET_DESIGNER_PLUGIN

#include <QMetaProperty>
#include <QPluginLoader>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <memory>

#include "control/properties.h"

namespace scrivlet {
namespace {

class DesignerPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(loader_.load()) << loader_.errorString().toStdString();
    plugin_ = qobject_cast<QDesignerCustomWidgetInterface*>(loader_.instance());
    ASSERT_NE(plugin_, nullptr);
  }

  QPluginLoader loader_{QStringLiteral(SCRIVLET_DESIGNER_PLUGIN)};
  QDesignerCustomWidgetInterface* plugin_ = nullptr;
};

TEST_F(DesignerPluginTest, DescribesTheWidgetForTheWidgetBoxAndUic) {
  EXPECT_EQ(loader_.metaData().value(QStringLiteral("IID")).toString(),
            QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetInterface"));
  EXPECT_EQ(plugin_->name(), QStringLiteral("scrivlet::ScrivletWidget"));
  EXPECT_EQ(plugin_->includeFile(), QStringLiteral("qt/scrivlet_widget.h"));

  QXmlStreamReader xml(plugin_->domXml());
  QString widgetClass;
  QString widgetName;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("widget") &&
        widgetClass.isEmpty()) {
      widgetClass = xml.attributes().value(QLatin1String("class")).toString();
      widgetName = xml.attributes().value(QLatin1String("name")).toString();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(widgetClass, plugin_->name());
  EXPECT_FALSE(widgetName.isEmpty());
}

TEST_F(DesignerPluginTest, CreatesTheWidgetWithItsPropertiesForTheEditor) {
  QWidget form;
  QWidget* widget = plugin_->createWidget(&form);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->parentWidget(), &form);
  EXPECT_STREQ(widget->metaObject()->className(), "scrivlet::ScrivletWidget");

  // What Designer's property editor lists and uic writes.
  const QMetaObject* meta = widget->metaObject();
  QStringList designable;
  for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
    if (meta->property(i).isDesignable()) {
      designable << QString::fromLatin1(meta->property(i).name());
    }
  }
  // Every property of the control's table but TextRTF, the same document as TextHTML.
  QStringList expected;
  for (const PropertyDefinition& property : ControlProperties()) {
    if (property.name != "TextRTF") {
      expected << QString::fromLatin1(property.name.data(), static_cast<int>(property.name.size()));
    }
  }
  EXPECT_EQ(designable, expected) << designable.join(QLatin1Char(' ')).toStdString();
}

}  // namespace
}  // namespace scrivlet

#endif  // SCRIVLET_DESIGNER_PLUGIN
