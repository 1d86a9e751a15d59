#include "platform/DialogsFolderBrowser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

DialogsFolderBrowser::DialogsFolderBrowser(QWidget *parent, const QString &caption,
                                           const QString &title, bool newFolderButton)
    : QDialog(parent)
{
    setWindowTitle(caption);
    setModal(true);
    resize(360, 420);

    m_pTitle = new QLabel(title, this);
    m_pTitle->setWordWrap(true);

    m_pModel = new QFileSystemModel(this);
    m_pModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_pModel->setRootPath(QDir::rootPath());

    m_pTree = new QTreeView(this);
    m_pTree->setModel(m_pModel);
    m_pTree->setRootIndex(m_pModel->index(QDir::rootPath()));
    m_pTree->setHeaderHidden(true);
    for (int column = 1; column < m_pModel->columnCount(); ++column)
        m_pTree->hideColumn(column);
    m_pTree->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    if (newFolderButton) {
        m_pNewFolder = buttons->addButton(tr("Make New Folder"), QDialogButtonBox::ActionRole);
        connect(m_pNewFolder, &QPushButton::clicked, this, &DialogsFolderBrowser::OnNewFolder);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DialogsFolderBrowser::OnSelectionChanged);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pTitle);
    layout->addWidget(m_pTree, 1);
    layout->addWidget(buttons);
    OnSelectionChanged();
}

DialogsFolderBrowser::~DialogsFolderBrowser() = default;

void DialogsFolderBrowser::SelectFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return;
    const QModelIndex index = m_pModel->index(info.absoluteFilePath());
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_pTree->expand(parent);
    m_pTree->setCurrentIndex(index);
    m_pTree->scrollTo(index);
}

std::optional<QString> DialogsFolderBrowser::SelectedFolder() const
{
    const QModelIndex index = m_pTree->currentIndex();
    if (!index.isValid() || !m_pTree->selectionModel()->isSelected(index))
        return std::nullopt;
    const QString path = m_pModel->filePath(index);
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    return QDir::cleanPath(path);
}

void DialogsFolderBrowser::OnSelectionChanged()
{
    const bool chosen = SelectedFolder().has_value();
    m_pOk->setEnabled(chosen);
    if (m_pNewFolder)
        m_pNewFolder->setEnabled(chosen);
}

void DialogsFolderBrowser::OnNewFolder()
{
    const std::optional<QString> parentFolder = SelectedFolder();
    if (!parentFolder)
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, windowTitle(), tr("Folder name:"),
                                               QLineEdit::Normal, tr("New Folder"), &ok)
                             .trimmed();
    if (!ok || name.isEmpty() || name.contains(QLatin1Char('/')))
        return;
    const QModelIndex created = m_pModel->mkdir(m_pModel->index(*parentFolder), name);
    if (created.isValid())
        SelectFolder(m_pModel->filePath(created));
}
