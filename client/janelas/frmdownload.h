#pragma once
#include <QDialog>

#include <memory>

namespace Ui {
class FrmDownload;
}
class QComboBox;
class QLineEdit;
class QPushButton;

// Asks which receipt to fetch from the server: registration, protocol
// number and exercise. Created once at start-up; it keeps what was typed
// between uses.
class TFrmDownload : public QDialog {
    Q_OBJECT
public:
    explicit TFrmDownload(QWidget *parent = nullptr);
    ~TFrmDownload() override;

    QLineEdit *LabeledEdit1() const;
    QLineEdit *LabeledEdit2() const;
    QComboBox *ComboBox2() const;
    QPushButton *BitBtn1() const;

    // What the last "Efetuar Download" took (empty before the first): the
    // registration, and the exercise followed by the protocol.
    const QString &inscricao() const { return m_inscricao; }
    const QString &exercicioProtocolo() const { return m_exercicioProtocolo; }

public slots:
    void LabeledEdit1Exit();
    void LabeledEdit2Exit();
    void BitBtn1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::FrmDownload> ui;
    QString m_inscricao, m_exercicioProtocolo;
};
