#include "espaco.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QStackedWidget>
#include <QStyle>

#include <vector>

namespace orva::ui {
namespace {

constexpr char kCrescimento[] = "orvaCrescimento";
constexpr char kReticencias[] = "orvaReticencias";
constexpr char kDicaPropria[] = "orvaDicaPropria";

class Crescimento : public QObject {
public:
    explicit Crescimento(QWidget *janela) : QObject(janela), m_janela(janela), m_base(janela->size())
    {
        setObjectName(QLatin1String(kCrescimento));
        janela->installEventFilter(this);
    }

    void acrescenta(QWidget *w, Qt::Orientations direcoes)
    {
        for (Item &i : m_itens)
            if (i.widget == w) {
                i.direcoes |= direcoes;
                return;
            }
        m_itens.push_back({w, w->geometry(), direcoes});
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            ajusta();
        return false;
    }

private:
    struct Item {
        QPointer<QWidget> widget;
        QRect desenho;
        Qt::Orientations direcoes;
    };

    void ajusta()
    {
        const int dl = std::max(0, m_janela->width() - m_base.width());
        const int da = std::max(0, m_janela->height() - m_base.height());
        for (const Item &i : m_itens)
            if (i.widget)
                i.widget->setGeometry(i.desenho.adjusted(0, 0, i.direcoes & Qt::Horizontal ? dl : 0,
                                                         i.direcoes & Qt::Vertical ? da : 0));
    }

    QWidget *m_janela;
    QSize m_base;
    std::vector<Item> m_itens;
};

class Reticencias : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto *rotulo = static_cast<QLabel *>(watched);
        const QRect area = rotulo->contentsRect();
        const QString inteiro = rotulo->text();
        // Line by line: a two-line label whose lines each fit is not cut.
        QStringList linhas = inteiro.split(QLatin1Char('\n'));
        for (QString &linha : linhas)
            linha = rotulo->fontMetrics().elidedText(linha, Qt::ElideRight, area.width());
        const QString cabe = linhas.join(QLatin1Char('\n'));
        if (cabe == inteiro) {
            if (rotulo->property(kDicaPropria).toBool()) {
                rotulo->setToolTip(QString());
                rotulo->setProperty(kDicaPropria, false);
            }
            return false; // the label paints itself
        }
        if (rotulo->toolTip() != inteiro) {
            rotulo->setToolTip(inteiro);
            rotulo->setProperty(kDicaPropria, true);
        }
        QPainter p(rotulo);
        rotulo->style()->drawItemText(&p, area, int(rotulo->alignment()), rotulo->palette(), rotulo->isEnabled(), cabe,
                                      rotulo->foregroundRole());
        return true;
    }
};

} // namespace

void cresceComAJanela(QWidget *widget, Qt::Orientations direcoes)
{
    if (!widget)
        return;
    QWidget *janela = widget->window();
    auto *c = static_cast<Crescimento *>(
        janela->findChild<QObject *>(QLatin1String(kCrescimento), Qt::FindDirectChildrenOnly));
    if (!c)
        c = new Crescimento(janela);
    // Each widget at a fixed place on the way, up to the window; pages of a
    // tab widget and widgets in a layout are sized by it.
    for (QWidget *w = widget; w && w != janela; w = w->parentWidget()) {
        QWidget *pai = w->parentWidget();
        if (pai && !pai->layout() && !qobject_cast<QStackedWidget *>(pai))
            c->acrescenta(w, direcoes);
    }
}

void reticenciasNoRotulo(QLabel *rotulo)
{
    if (!rotulo || rotulo->property(kReticencias).toBool() || rotulo->wordWrap())
        return;
    rotulo->setProperty(kReticencias, true);
    rotulo->installEventFilter(new Reticencias(rotulo));
}

} // namespace orva::ui
