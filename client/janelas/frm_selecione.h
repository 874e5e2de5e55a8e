#pragma once
#include <QDialog>

#include <memory>

namespace Ui {
class frm_selecione;
}
class QAbstractFileIconProvider;
class QFileSystemModel;
class QPushButton;
class QTreeView;

// The folder picker of the declarations' origin: the tree of folders from
// the top of the file system. Created once at start-up and shown beside the
// main window without blocking it.
class Tfrm_selecione : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_selecione(QWidget *parent = nullptr);
    ~Tfrm_selecione() override;

    QTreeView *ShellTreeView1() const;
    QPushButton *BitBtn1() const;
    QFileSystemModel *modelo() const { return m_modelo; }

    // Opens the tree on `pasta` (when it exists) and shows the picker.
    void Mostra(const QString &pasta);
    // Selects `pasta` in the tree, as a click would.
    void SelecionaPasta(const QString &pasta);

signals:
    // "Selecionar": the chosen folder, ending with "/".
    void pastaSelecionada(const QString &pasta);

public slots:
    void BitBtn1Click();

private:
    std::unique_ptr<Ui::frm_selecione> ui;
    std::unique_ptr<QAbstractFileIconProvider> m_icones;
    QFileSystemModel *m_modelo = nullptr;
    QString m_pendente; // the folder whose reading still moves the tree to the selection
};
