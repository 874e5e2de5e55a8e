#include "focovisivel.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

namespace orva {
namespace {

void moldura(const QStyleOption *option, QPainter *painter)
{
    if (!(option->state & QStyle::State_HasFocus))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
    painter->drawRect(option->rect.adjusted(1, 1, -2, -2));
    painter->restore();
}

} // namespace

void FocoVisivel::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                              const QWidget *widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton || element == CE_CheckBox || element == CE_RadioButton)
        moldura(option, painter);
}

void FocoVisivel::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                                     const QWidget *widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ToolButton)
        moldura(option, painter);
}

void instalaFocoVisivel() { QApplication::setStyle(new FocoVisivel(QApplication::style()->name())); }

} // namespace orva
