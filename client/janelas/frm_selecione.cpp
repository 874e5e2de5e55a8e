#include "frm_selecione.h"

#include "ui_frm_selecione.h"

#include <QApplication>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QStyle>
#include <QTimer>

namespace {

// The desktop's folder icons, or the style's own where the desktop has no
// icon theme.
class IconesPastas : public QFileIconProvider {
public:
    QIcon icon(IconType tipo) const override { return ouPadrao(QFileIconProvider::icon(tipo)); }
    QIcon icon(const QFileInfo &info) const override { return ouPadrao(QFileIconProvider::icon(info)); }

private:
    static QIcon ouPadrao(const QIcon &icone)
    {
        return icone.isNull() || icone.availableSizes().isEmpty() ? QApplication::style()->standardIcon(QStyle::SP_DirIcon)
                                                                 : icone;
    }
};

} // namespace

Tfrm_selecione::Tfrm_selecione(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frm_selecione>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    m_modelo = new QFileSystemModel(this);
    m_icones = std::make_unique<IconesPastas>();
    m_modelo->setIconProvider(m_icones.get());
    // Folders only; the top of the tree is the root of the file system.
    m_modelo->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_modelo->setRootPath(QStringLiteral("/"));
    ui->ShellTreeView1->setModel(m_modelo);
    for (int coluna = 1; coluna < m_modelo->columnCount(); ++coluna)
        ui->ShellTreeView1->hideColumn(coluna);
    ui->ShellTreeView1->expand(m_modelo->index(QStringLiteral("/")));
    connect(m_modelo, &QFileSystemModel::directoryLoaded, this, [this](const QString &pasta) {
        if (m_pendente.isEmpty())
            return;
        QTimer::singleShot(0, this, [this] { ui->ShellTreeView1->scrollTo(ui->ShellTreeView1->currentIndex()); });
        if (pasta == m_pendente)
            m_pendente.clear();
    });
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tfrm_selecione::BitBtn1Click);
}

Tfrm_selecione::~Tfrm_selecione()
{
    // The model goes before the icons it uses.
    delete m_modelo;
}

QTreeView *Tfrm_selecione::ShellTreeView1() const { return ui->ShellTreeView1; }
QPushButton *Tfrm_selecione::BitBtn1() const { return ui->BitBtn1; }

void Tfrm_selecione::SelecionaPasta(const QString &pasta)
{
    const QModelIndex indice = m_modelo->index(QDir::cleanPath(pasta));
    if (!indice.isValid())
        return;
    ui->ShellTreeView1->setCurrentIndex(indice);
    ui->ShellTreeView1->scrollTo(indice);
    // The folders are read in the background: scroll to it again as they
    // come in, until the folder that holds it has been read.
    m_pendente = QFileInfo(QDir::cleanPath(pasta)).path();
}

void Tfrm_selecione::Mostra(const QString &pasta)
{
    if (!pasta.isEmpty() && QFileInfo(pasta).isDir())
        SelecionaPasta(pasta);
    show();
    raise();
    activateWindow();
}

void Tfrm_selecione::BitBtn1Click()
{
    const QModelIndex indice = ui->ShellTreeView1->currentIndex();
    if (!indice.isValid())
        return; // nothing chosen yet: the picker stays open
    QString pasta = m_modelo->filePath(indice);
    if (!pasta.endsWith(QLatin1Char('/')))
        pasta += QLatin1Char('/');
    emit pastaSelecionada(pasta);
    hide();
}
