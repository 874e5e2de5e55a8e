#include "acessibilidade.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QRegularExpression>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>

#include <limits>

namespace orva {
namespace {

constexpr char kDescricaoLigada[] = "orvaDescricaoLigada";

// A caption as spoken: no mnemonic marks, no trailing colon or dots, no
// leading dash of a group title.
QString falado(QString texto)
{
    texto.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    texto = texto.simplified();
    while (texto.startsWith(QLatin1Char('-')))
        texto = texto.mid(1).trimmed();
    while (texto.endsWith(QLatin1Char(':')) || texto.endsWith(QLatin1Char('.')))
        texto.chop(1);
    return texto.trimmed();
}

bool dentroDeComposto(const QWidget *w)
{
    const QWidget *pai = w->parentWidget();
    return pai && (qobject_cast<const QComboBox *>(pai) || qobject_cast<const QAbstractSpinBox *>(pai));
}

bool campo(const QWidget *w)
{
    return (qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w)
            || qobject_cast<const QAbstractSpinBox *>(w))
           && !dentroDeComposto(w);
}

bool descricao(const QLabel *l) { return l->property("tag").toInt() == 1; }

// The label whose buddy the field is.
QLabel *rotuloParceiro(const QWidget *janela, const QWidget *w)
{
    for (QLabel *l : janela->findChildren<QLabel *>())
        if (l->buddy() == w)
            return l;
    return nullptr;
}

// The caption on the field's left in its row, else the one just above it.
QLabel *rotuloAoLado(const QWidget *w)
{
    const QWidget *pai = w->parentWidget();
    if (!pai)
        return nullptr;
    const QRect g = w->geometry();
    QLabel *esquerda = nullptr, *acima = nullptr;
    int melhorEsquerda = std::numeric_limits<int>::min(), melhorAcima = std::numeric_limits<int>::max();
    for (QObject *o : pai->children()) {
        auto *l = qobject_cast<QLabel *>(o);
        if (!l || l->isHidden() || descricao(l) || falado(l->text()).isEmpty() || l->buddy())
            continue;
        const QRect r = l->geometry();
        const int centro = r.center().y();
        if (r.right() <= g.left() + 2 && centro >= g.top() - 2 && centro <= g.bottom() + 2 && r.right() > melhorEsquerda) {
            esquerda = l;
            melhorEsquerda = r.right();
        } else if (r.bottom() <= g.top() + 2 && g.top() - r.bottom() < 24 && r.left() >= g.left() - 12
                   && r.left() <= g.right() && g.top() - r.bottom() < melhorAcima) {
            acima = l;
            melhorAcima = g.top() - r.bottom();
        }
    }
    return esquerda ? esquerda : acima;
}

// The description label right of the field in its row.
QLabel *descricaoAoLado(const QWidget *w)
{
    const QWidget *pai = w->parentWidget();
    if (!pai)
        return nullptr;
    const QRect g = w->geometry();
    QLabel *achada = nullptr;
    int menor = std::numeric_limits<int>::max();
    for (QObject *o : pai->children()) {
        auto *l = qobject_cast<QLabel *>(o);
        if (!l || !descricao(l))
            continue;
        const QRect r = l->geometry();
        const int centro = r.center().y();
        if (r.left() >= g.right() - 2 && centro >= g.top() - 2 && centro <= g.bottom() + 2 && r.left() < menor) {
            achada = l;
            menor = r.left();
        }
    }
    return achada;
}

// The title of the group box or tab page around the widget.
QString titulo(const QWidget *w, const QWidget *janela)
{
    for (const QWidget *p = w->parentWidget(); p && p != janela; p = p->parentWidget()) {
        if (const auto *grupo = qobject_cast<const QGroupBox *>(p); grupo && !falado(grupo->title()).isEmpty())
            return falado(grupo->title());
        if (const auto *abas = qobject_cast<const QTabWidget *>(p->parentWidget() ? p->parentWidget()->parentWidget()
                                                                                  : nullptr)) {
            const int i = abas->indexOf(const_cast<QWidget *>(p));
            if (i >= 0 && !falado(abas->tabText(i)).isEmpty())
                return falado(abas->tabText(i));
        }
    }
    return {};
}

// Reads the description label's text with the field when it gets the focus.
class DescricaoLigada : public QObject {
public:
    DescricaoLigada(QWidget *campo, QLabel *rotulo) : QObject(campo), m_rotulo(rotulo)
    {
        campo->setProperty(kDescricaoLigada, true);
        campo->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn && m_rotulo)
            static_cast<QWidget *>(watched)->setAccessibleDescription(falado(m_rotulo->text()));
        return false;
    }

private:
    QPointer<QLabel> m_rotulo;
};

class Vigia : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *w = static_cast<QWidget *>(watched);
            if (w->isWindow())
                nomeiaControles(w);
        }
        return false;
    }
};

} // namespace

void nomeiaControles(QWidget *janela)
{
    if (!janela)
        return;
    const auto nosso = [janela](const QWidget *w) { return w->window() == janela; };
    QStringList usados;
    for (QWidget *w : janela->findChildren<QWidget *>())
        if (nosso(w) && campo(w) && !w->accessibleName().isEmpty())
            usados << w->accessibleName();

    for (QWidget *w : janela->findChildren<QWidget *>()) {
        if (!nosso(w) || dentroDeComposto(w))
            continue;
        if (campo(w)) {
            if (w->accessibleName().isEmpty()) {
                QLabel *rotulo = rotuloParceiro(janela, w);
                if (!rotulo && (rotulo = rotuloAoLado(w)))
                    rotulo->setBuddy(w);
                QString nome = rotulo ? falado(rotulo->text()) : QString();
                const QString dica = falado(w->toolTip().section(QLatin1Char('\n'), 0, 0));
                if (nome.isEmpty() || usados.contains(nome))
                    nome = dica.isEmpty() ? nome : dica;
                if (usados.contains(nome) && !titulo(w, janela).isEmpty())
                    nome += QStringLiteral(" (%1)").arg(titulo(w, janela));
                if (!nome.isEmpty()) {
                    w->setAccessibleName(nome);
                    usados << nome;
                }
                if (w->accessibleDescription().isEmpty() && !dica.isEmpty() && dica != nome)
                    w->setAccessibleDescription(w->toolTip());
            }
            if (!w->property(kDescricaoLigada).toBool())
                if (QLabel *d = descricaoAoLado(w))
                    new DescricaoLigada(w, d);
        } else if (auto *botao = qobject_cast<QAbstractButton *>(w)) {
            if (!botao->accessibleName().isEmpty())
                continue;
            QString nome = falado(botao->text());
            if (nome.isEmpty())
                nome = falado(botao->toolTip());
            if (!nome.isEmpty())
                botao->setAccessibleName(nome);
        } else if (qobject_cast<QAbstractScrollArea *>(w) && w->accessibleName().isEmpty()) {
            QString nome = titulo(w, janela);
            if (nome.isEmpty())
                nome = falado(w->toolTip());
            if (nome.isEmpty())
                nome = falado(janela->windowTitle());
            w->setAccessibleName(nome);
            if (w->accessibleDescription().isEmpty() && falado(w->toolTip()) != nome)
                w->setAccessibleDescription(w->toolTip());
        } else if (auto *abas = qobject_cast<QTabBar *>(w); abas && abas->accessibleName().isEmpty()) {
            abas->setAccessibleName(QStringLiteral("Páginas da janela"));
        }
    }
}

void instalaNomesAcessiveis()
{
    static QPointer<Vigia> vigia;
    if (vigia || !qApp)
        return;
    vigia = new Vigia(qApp);
    qApp->installEventFilter(vigia);
}

} // namespace orva
