#pragma once
// Puts GlyphButton in Qt Designer's widget box. Buttons made while Designer hosts the plugin run
// in design mode: design-time messages, ResetDefaultColors and the default-button look apply.

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class GlyphButtonPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit GlyphButtonPlugin(QObject* parent = nullptr);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    QString domXml() const override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface* core) override;
    QWidget* createWidget(QWidget* parent) override;

private:
    bool m_initialized = false;
    bool m_hostedByDesigner = false;
};
