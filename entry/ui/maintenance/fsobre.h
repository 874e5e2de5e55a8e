#pragma once
#include <QDialog>
#include <QPixmap>

#include <memory>

namespace Ui {
class FSobre;
}
class QLabel;
class QTabWidget;

namespace orva::sobre {

// One part of the file version as the about box writes it: the decimal form
// of n + 100 from its third character, at most two characters. For parts
// below 900 that is the last digit (7 -> "7", 12 -> "2").
QString parteVersao(int parte);
// A dotted version ("7.1.6.0") with each of its four parts written that way;
// missing parts count as 0.
QString textoVersao(const QString &versao);
// The version compiled into the program.
QString versaoPrograma();
// The system's icon (orva::icone), drawn at the size asked.
QPixmap logotipo(int lado);

} // namespace orva::sobre

// The about box: the system's name and version, the teams and the help desk.
class TFSobre : public QDialog {
    Q_OBJECT
public:
    explicit TFSobre(QWidget *parent = nullptr);
    ~TFSobre() override;

    // The main window's "Sobre" command.
    static void Abre(QWidget *parent = nullptr);

    QLabel *Label6() const;
    QTabWidget *PageControl1() const;

public slots:
    // Every activation: back to 65 pixels from the top of the screen, and
    // the version label read again.
    void FormActivate();

protected:
    bool event(QEvent *event) override;

private:
    std::unique_ptr<Ui::FSobre> ui;
};
