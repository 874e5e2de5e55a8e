#include "campodata.h"

#include "common/prompts.h"
#include "conventions.h"

#include <QDateEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace orva::ui {
namespace {

constexpr char kFiltro[] = "orvaDateTyping";

QString comBarras(const QString &digitos)
{
    QString texto;
    for (qsizetype i = 0; i < digitos.size(); ++i) {
        if (i == 2 || i == 4)
            texto += QLatin1Char('/');
        texto += digitos.at(i);
    }
    return texto;
}

// focusNextPrevChild() is protected; named through a derived class it still
// dispatches to the window's own.
struct CadeiaDeFoco : QWidget {
    using QWidget::focusNextPrevChild;
};

class DigitacaoData : public QObject {
public:
    explicit DigitacaoData(QDateEdit *edit) : QObject(edit), m_edit(edit)
    {
        setObjectName(QLatin1String(kFiltro));
        // A date set by code ends any typing under way.
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            if (!m_proprio)
                esquece();
        });
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            if (m_digitando)
                saindo(static_cast<QFocusEvent *>(event)->reason());
            return false;
        }
        if (event->type() == QEvent::FocusIn && m_digitando) {
            // The picker shows its date again on entering: the typing comes back over it.
            QPointer<DigitacaoData> eu(this);
            QTimer::singleShot(0, this, [eu] {
                if (eu && eu->m_digitando)
                    eu->mostra();
            });
            return false;
        }
        if (event->type() == QEvent::FocusIn) {
            // Reached by Tab or Shift+Tab, typing starts at the day, as in
            // every other field; a click on the month or year keeps that part.
            const auto razao = static_cast<QFocusEvent *>(event)->reason();
            if (razao == Qt::TabFocusReason || razao == Qt::BacktabFocusReason) {
                QPointer<QDateEdit> edit(m_edit);
                QTimer::singleShot(0, this, [edit] {
                    if (edit && edit->hasFocus())
                        edit->setSelectedSection(QDateTimeEdit::DaySection);
                });
            }
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        // Tab leaves the field, the date completed if it was being typed:
        // the picker would move to its next part (and drop the typing), so a
        // keyboard user would need three Tabs to pass one date. The arrows
        // still move between day, month and year.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (!m_digitando || aplica()) {
                sai(key->key() == Qt::Key_Tab);
            } else {
                m_avisado = false; // asked again to leave: told again
                reclama();
            }
            return true;
        }
        // Enter leaves the field: the typing is completed as the focus goes.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Return
            || key->key() == Qt::Key_Enter)
            return false;
        const QString texto = key->text();
        if (key->key() == Qt::Key_Backspace)
            return apaga();
        if (texto.size() != 1)
            return cancelaSeDigitando();
        const QChar c = texto.at(0);
        if (c.isDigit() && c.unicode() < 128)
            return digito(c);
        if (c == QLatin1Char('/'))
            return barra();
        return cancelaSeDigitando();
    }

    // Completes the typing under way; false when it is refused.
    bool confirma()
    {
        m_reclamar = false;
        if (!m_digitando)
            return true;
        if (aplica())
            return true;
        reclama();
        return false;
    }

private:
    QLineEdit *linha() const { return m_edit->findChild<QLineEdit *>(); }

    void comeca()
    {
        if (m_digitando)
            return;
        m_anterior = m_edit->date();
        m_digitando = true;
        // Typing from the month or the year part keeps the parts before it.
        const QString antes = m_anterior.toString(QStringLiteral("ddMMyyyy"));
        switch (m_edit->currentSection()) {
        case QDateTimeEdit::MonthSection:
            m_digitos = antes.left(2);
            break;
        case QDateTimeEdit::YearSection:
            m_digitos = antes.left(4);
            break;
        default:
            m_digitos.clear();
        }
        m_inicio = int(m_digitos.size());
    }

    bool digito(QChar c)
    {
        comeca();
        m_avisado = false;
        if (m_digitos.size() < 8)
            m_digitos += c;
        mostra();
        if (m_digitos.size() == 8 && !aplica()) {
            avisa();
            desiste();
        }
        return true;
    }

    void sai(bool adiante)
    {
        bool (QWidget::*proximo)(bool) = &CadeiaDeFoco::focusNextPrevChild;
        (m_edit->window()->*proximo)(adiante);
    }

    bool barra()
    {
        if (!m_digitando)
            return true; // nothing typed yet: nothing to separate
        m_avisado = false;
        if (m_digitos.size() == 1 || m_digitos.size() == 3)
            m_digitos.insert(m_digitos.size() - 1, QLatin1Char('0'));
        else if (m_digitos.size() != 2 && m_digitos.size() != 4)
            prompts().beep();
        mostra();
        return true;
    }

    bool apaga()
    {
        if (!m_digitando) {
            m_anterior = m_edit->date();
            m_digitando = true;
            m_digitos = m_anterior.toString(QStringLiteral("ddMMyyyy"));
            m_inicio = 0;
        }
        m_avisado = false;
        m_digitos.chop(1);
        mostra();
        return true;
    }

    bool cancelaSeDigitando()
    {
        if (m_digitando)
            desiste();
        return false;
    }

    void mostra()
    {
        if (QLineEdit *l = linha()) {
            const QSignalBlocker quieto(l);
            const QString texto = comBarras(m_digitos);
            l->setText(texto);
            l->setCursorPosition(int(texto.size()));
        }
    }

    // The date the digits mean: a two-digit year inside the range, a day and
    // month alone in the range's only year (or, typed from the month part,
    // the year shown before). Invalid when they cannot be completed.
    QDate completa() const
    {
        const QDate minimo = m_edit->minimumDate();
        const QDate maximo = m_edit->maximumDate();
        // "5/3": a day and a month of one digit, no slash after it.
        const QString digitos =
            m_digitos.size() == 3 ? m_digitos.left(2) + QLatin1Char('0') + m_digitos.right(1) : m_digitos;
        const auto data = [&digitos](int ano) { return QDate(ano, digitos.mid(2, 2).toInt(), digitos.left(2).toInt()); };
        switch (digitos.size()) {
        case 8:
            return QDate::fromString(digitos, QStringLiteral("ddMMyyyy"));
        case 6: {
            const int ano = digitos.mid(4).toInt();
            for (const int seculo : {minimo.year() / 100, maximo.year() / 100}) {
                const QDate d = data(seculo * 100 + ano);
                if (d.isValid() && d >= minimo && d <= maximo)
                    return d;
            }
            return data(minimo.year() / 100 * 100 + ano);
        }
        case 4:
            if (minimo.year() == maximo.year())
                return data(minimo.year());
            if (m_inicio > 0)
                return data(m_anterior.year());
            return {};
        default:
            return {};
        }
    }

    bool completavel() const
    {
        const bool semAno = m_digitos.size() == 4 || m_digitos.size() == 3;
        return m_digitos.size() == 8 || m_digitos.size() == 6
               || (semAno && (m_inicio > 0 || m_edit->minimumDate().year() == m_edit->maximumDate().year()));
    }

    // Puts the completed date in the picker; false when it is no date of the range.
    bool aplica()
    {
        const QDate data = completa();
        if (!data.isValid() || data < m_edit->minimumDate() || data > m_edit->maximumDate())
            return false;
        esquece();
        m_proprio = true;
        m_edit->setDate(data);
        m_proprio = false;
        if (QLineEdit *l = linha())
            l->setText(data.toString(m_edit->displayFormat()));
        return true;
    }

    void avisa()
    {
        if (m_avisado)
            return;
        m_avisado = true;
        const QString nome = hint(m_edit).isEmpty() ? QStringLiteral("Data") : hint(m_edit);
        const QString de = m_edit->minimumDate().toString(QStringLiteral("dd/MM/yyyy"));
        const QString ate = m_edit->maximumDate().toString(QStringLiteral("dd/MM/yyyy"));
        if (completavel())
            prompts().warning(QStringLiteral("%1 inválida: %2.\nDigite uma data de %3 a %4 (DD/MM/AAAA).")
                                  .arg(nome, comBarras(m_digitos), de, ate));
        else
            prompts().warning(QStringLiteral("%1 incompleta: %2.\nDigite a data inteira (DD/MM/AAAA), de %3 a %4, "
                                             "ou tecle Esc para voltar à data anterior.")
                                  .arg(nome, comBarras(m_digitos), de, ate));
    }

    // Leaving with typing that cannot be completed: the picker keeps the
    // earlier date meanwhile, and once the click or key that moved the focus
    // is over, the typing is shown again with the warning and the focus back.
    void saindo(Qt::FocusReason razao)
    {
        if (razao == Qt::PopupFocusReason || razao == Qt::ActiveWindowFocusReason)
            return;
        if (aplica())
            return;
        if (QLineEdit *l = linha()) {
            const QSignalBlocker quieto(l);
            l->setText(m_anterior.toString(m_edit->displayFormat()));
        }
        m_reclamar = true;
        QPointer<DigitacaoData> eu(this);
        QTimer::singleShot(0, this, [eu] {
            if (eu && eu->m_reclamar)
                eu->reclama();
        });
    }

    void reclama()
    {
        m_reclamar = false;
        if (!m_digitando)
            return;
        if (!m_edit->isVisible()) { // the window closed: nothing was kept
            desiste();
            return;
        }
        mostra();
        avisa();
        m_edit->setFocus(Qt::OtherFocusReason);
        mostra();
    }

    void esquece()
    {
        m_digitando = false;
        m_reclamar = false;
        m_digitos.clear();
        m_inicio = 0;
    }

    // Back to the date shown before the typing began.
    void desiste()
    {
        esquece();
        m_proprio = true;
        m_edit->setDate(m_anterior);
        m_proprio = false;
        if (QLineEdit *l = linha()) {
            const QSignalBlocker quieto(l);
            l->setText(m_anterior.toString(m_edit->displayFormat()));
        }
    }

    QDateEdit *m_edit;
    bool m_digitando = false;
    bool m_reclamar = false;
    bool m_avisado = false;
    bool m_proprio = false;
    int m_inicio = 0;
    QString m_digitos;
    QDate m_anterior;
};

} // namespace

void makeDateField(QDateEdit *edit)
{
    if (!edit || edit->property(kFiltro).toBool())
        return;
    edit->setProperty(kFiltro, true);
    edit->installEventFilter(new DigitacaoData(edit));
}

bool confirmDate(QDateEdit *edit)
{
    auto *filtro = edit ? edit->findChild<QObject *>(QLatin1String(kFiltro), Qt::FindDirectChildrenOnly) : nullptr;
    return !filtro || static_cast<DigitacaoData *>(filtro)->confirma();
}

} // namespace orva::ui
