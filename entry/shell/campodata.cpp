#include "campodata.h"

#include "common/prompts.h"
#include "conventions.h"

#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>

namespace orva::ui {
namespace {

class DigitacaoData : public QObject {
public:
    explicit DigitacaoData(QDateEdit *edit) : QObject(edit), m_edit(edit) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            if (m_digitando) {
                desiste();
                prompts().beep();
            }
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
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

private:
    QLineEdit *linha() const { return m_edit->findChild<QLineEdit *>(); }

    void comeca(const QString &digitos)
    {
        if (!m_digitando) {
            m_anterior = m_edit->date();
            m_digitando = true;
        }
        m_digitos = digitos;
    }

    bool digito(QChar c)
    {
        if (!m_digitando)
            comeca(QString());
        if (m_digitos.size() < 8)
            m_digitos += c;
        mostra();
        if (m_digitos.size() == 8)
            conclui();
        return true;
    }

    bool barra()
    {
        if (!m_digitando)
            return true; // nothing typed yet: nothing to separate
        if (m_digitos.size() == 1 || m_digitos.size() == 3)
            m_digitos.insert(m_digitos.size() - 1, QLatin1Char('0'));
        else if (m_digitos.size() != 2 && m_digitos.size() != 4)
            prompts().beep();
        mostra();
        return true;
    }

    bool apaga()
    {
        if (!m_digitando)
            comeca(m_edit->date().toString(QStringLiteral("ddMMyyyy")));
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

    // The digits typed so far, with their slashes.
    void mostra()
    {
        QString texto;
        for (qsizetype i = 0; i < m_digitos.size(); ++i) {
            if (i == 2 || i == 4)
                texto += QLatin1Char('/');
            texto += m_digitos.at(i);
        }
        if (QLineEdit *l = linha()) {
            const QSignalBlocker quieto(l);
            l->setText(texto);
            l->setCursorPosition(int(texto.size()));
        }
    }

    void conclui()
    {
        const QDate data = QDate::fromString(m_digitos, QStringLiteral("ddMMyyyy"));
        const QString digitada = m_digitos.left(2) + QLatin1Char('/') + m_digitos.mid(2, 2) + QLatin1Char('/')
                                 + m_digitos.mid(4);
        desiste();
        if (!data.isValid() || data < m_edit->minimumDate() || data > m_edit->maximumDate()) {
            const QString nome = hint(m_edit).isEmpty() ? QStringLiteral("Data") : hint(m_edit);
            prompts().warning(QStringLiteral("%1 inválida: %2.\nDigite uma data de %3 a %4 (DD/MM/AAAA).")
                                  .arg(nome, digitada, m_edit->minimumDate().toString(QStringLiteral("dd/MM/yyyy")),
                                       m_edit->maximumDate().toString(QStringLiteral("dd/MM/yyyy"))));
            return;
        }
        m_edit->setDate(data);
        if (QLineEdit *l = linha())
            l->setText(data.toString(m_edit->displayFormat()));
    }

    // Back to the date shown before the typing began.
    void desiste()
    {
        m_digitando = false;
        m_digitos.clear();
        m_edit->setDate(m_anterior);
        if (QLineEdit *l = linha()) {
            const QSignalBlocker quieto(l);
            l->setText(m_anterior.toString(m_edit->displayFormat()));
        }
    }

    QDateEdit *m_edit;
    bool m_digitando = false;
    QString m_digitos;
    QDate m_anterior;
};

} // namespace

void makeDateField(QDateEdit *edit)
{
    if (!edit || edit->property("orvaDateTyping").toBool())
        return;
    edit->setProperty("orvaDateTyping", true);
    edit->installEventFilter(new DigitacaoData(edit));
}

} // namespace orva::ui
