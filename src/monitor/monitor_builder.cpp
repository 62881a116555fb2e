#include "monitor/monitor_builder.h"

#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "monitor/monitor_context.h"

#include <QXmlStreamReader>

namespace {

QString Attribute(const QXmlStreamReader& aReader, const char* aName) {
  for (const QXmlStreamAttribute& a : aReader.attributes())
    if (a.name().compare(QLatin1String(aName), Qt::CaseInsensitive) == 0)
      return a.value().toString();
  return QString();
}

bool Is(const QXmlStreamReader& aReader, const char* aName) {
  return aReader.name().compare(QLatin1String(aName), Qt::CaseInsensitive) == 0;
}

// Where the children of an element go: the body of a container, else the control itself.
QWidget* ChildParent(QWidget* aParent) {
  if (auto* e = qobject_cast<TBaseClass*>(aParent); e && e->Body())
    return e->Body();
  return aParent;
}

void BuildChildren(TMonitorContext& aContext, QWidget* aParent, QXmlStreamReader& aReader);

void BuildElement(TMonitorContext& aContext, QWidget* aParent, QXmlStreamReader& aReader) {
  QWidget* into = ChildParent(aParent);
  const bool hide = Attribute(aReader, "hide") == QLatin1String("1");
  const QString ident = Attribute(aReader, "ident");
  if (Is(aReader, "section")) {
    auto* section = new TCaptionClass(aContext, into);
    section->SetIdent(ident);
    section->SetIconName(Attribute(aReader, "ico"));
    section->SetCaption(aContext.Translate(ident));
    section->SetAutoHide(hide);
    const int single = Attribute(aReader, "single").toInt();
    section->SetSingle(single != 0);
    if (single == 1)
      section->SetFlipped(true);
    BuildChildren(aContext, section, aReader);
    section->UpdateHeight();
  } else if (Is(aReader, "column")) {
    auto* column = new TColumnClass(aContext, into);
    column->SetIdent(ident);
    column->SetEquil(true);
    column->SetAutoHide(hide);
    BuildChildren(aContext, column, aReader);
    column->UpdateHeight();
  } else if (Is(aReader, "item")) {
    auto* item = new TItemClass(aContext, into);
    item->SetIdent(ident);
    item->Set_Units(Attribute(aReader, "units"));
    const QString ico = Attribute(aReader, "ico");
    item->SetIconName(ico);
    if (!ico.isEmpty())
      item->SetIconPrefix(QStringLiteral("D_"));
    item->SetAutoHide(hide);
    item->SetCaption(aContext.Translate(ident));
    aReader.skipCurrentElement();
  } else if (Is(aReader, "separator")) {
    new TSeparatorClass(aContext, into);
    aReader.skipCurrentElement();
  } else {
    // Settings elements in a layout come with the settings page; buttons and lines are not shown.
    aReader.skipCurrentElement();
  }
}

void BuildChildren(TMonitorContext& aContext, QWidget* aParent, QXmlStreamReader& aReader) {
  while (aReader.readNextStartElement())
    BuildElement(aContext, aParent, aReader);
}

} // namespace

bool BuildMonitorLayout(TMonitorContext& aContext, const QByteArray& aDocument,
                        const std::function<QWidget*(const QString&)>& aPanelByName, QString* aError) {
  QXmlStreamReader reader(aDocument);
  if (reader.readNextStartElement() && Is(reader, "root")) {
    while (reader.readNextStartElement()) {
      QWidget* panel = Is(reader, "panel") ? aPanelByName(Attribute(reader, "name")) : nullptr;
      if (!panel) {
        reader.skipCurrentElement();
        continue;
      }
      BuildChildren(aContext, panel, reader);
      for (QObject* child : panel->children())
        if (auto* e = qobject_cast<TBaseClass*>(child))
          e->UpdateHeight();
    }
  } else if (!reader.hasError()) {
    reader.raiseError(QStringLiteral("the layout has no root element"));
  }
  if (reader.hasError()) {
    if (aError)
      *aError =
          QStringLiteral("Monitor layout, line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
    return false;
  }
  return true;
}

void ClearPagePanel(QWidget* aPanel) {
  const QObjectList children = aPanel->children();
  for (auto it = children.crbegin(); it != children.crend(); ++it)
    if (auto* e = qobject_cast<TBaseClass*>(*it))
      delete e;
  aPanel->update();
}
