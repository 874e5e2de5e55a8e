#pragma once
#include <QProxyStyle>

// The platform style with keyboard focus drawn plainly: a frame in the
// highlight colour around the button, check box or radio button that has the
// focus, so a user who moves with Tab and Enter sees what Space would press.
namespace orva {

class FocoVisivel : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
};

// Puts the style on the running application (the platform's own style inside).
void instalaFocoVisivel();

} // namespace orva
