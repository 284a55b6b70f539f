#pragma once
// The program's style: the one it would use anyway (the platform's, or Fusion), with the edges of
// check boxes drawn so that they stand out in a dark palette as well, where Fusion draws them
// barely darker than the dark window.

#include <QProxyStyle>

class ContrastStyle : public QProxyStyle {
public:
    // `key` names the style drawn underneath, as QStyleFactory knows it.
    explicit ContrastStyle(const QString& key);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};
