#include "dialogs/frmFolder.h"

#include "dialogs/UserDialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIconEngine>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPathRole = Qt::UserRole;

QStringList mountedVolumeRoots()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    roots.sort();
    return roots;
}

// A hard disk drawn with the painter at the size asked for, so that it is sharp at any scale: a
// light box with a darker front, a slot and a green light. Its straight edges fall on whole
// pixels.
class DriveIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const double u = std::min(rect.width(), rect.height()) / 16.0;
        auto px = [u](double units) { return int(std::lround(units * u)); };
        const int edge = std::max(1, px(1));
        const QPoint origin = rect.topLeft() + QPoint((rect.width() - px(16)) / 2, (rect.height() - px(16)) / 2);
        const QRect body(origin + QPoint(px(1), px(4)), origin + QPoint(px(15) - 1, px(12.5) - 1));
        const QRect inside = body.adjusted(edge, edge, -edge, -edge);
        const int frontTop = origin.y() + px(8.5);
        const QRect front(inside.left(), frontTop, inside.width(), inside.bottom() - frontTop + 1);
        const double radius = 1.5 * u;

        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.45);
        QPainterPath outline;
        outline.addRoundedRect(body, radius, radius);
        painter->fillPath(outline, QColor(0x4a, 0x4f, 0x57));
        QPainterPath top;
        top.addRoundedRect(inside, radius - edge / 2.0, radius - edge / 2.0);
        QLinearGradient topShade(inside.topLeft(), inside.bottomLeft());
        topShade.setColorAt(0, QColor(0xf2, 0xf3, 0xf4));
        topShade.setColorAt(1, QColor(0xc6, 0xc9, 0xcd));
        painter->fillPath(top, topShade);
        QPainterPath frontFace;
        frontFace.addRect(front);
        QLinearGradient frontShade(front.topLeft(), front.bottomLeft());
        frontShade.setColorAt(0, QColor(0xa2, 0xa7, 0xad));
        frontShade.setColorAt(1, QColor(0x82, 0x87, 0x8e));
        painter->fillPath(frontFace.intersected(top), frontShade);
        const QRect slot(origin + QPoint(px(3), px(10)), QSize(px(6), std::max(1, px(0.75))));
        painter->fillRect(slot, QColor(0x3a, 0x3d, 0x42));
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0x46, 0xc1, 0x46));
        painter->drawEllipse(QPointF(origin) + QPointF(12.5 * u, 10.4 * u), 0.9 * u, 0.9 * u);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return picture;
    }

    QIconEngine* clone() const override { return new DriveIconEngine; }
};

QString joinPath(const QString& parent, const QString& name)
{
    return parent.endsWith(u'/') ? parent + name : parent + u'/' + name;
}

// Whether `path` (clean, without a trailing "/") is `root` or lies below it; a root may end with
// "/" ("/" itself always does).
bool isInside(const QString& path, const QString& root)
{
    const QString base = root.endsWith(u'/') ? root : root + u'/';
    return path == root || path + u'/' == base || path.startsWith(base);
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* item, const QString& name)
{
    for (int i = 0; i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == name)
            return item->child(i);
    }
    return nullptr;
}

}  // namespace

frmFolder::frmFolder(const QString& destinationFolder, QWidget* parent)
    : frmFolder(destinationFolder, mountedVolumeRoots(), parent)
{
}

frmFolder::frmFolder(const QString& destinationFolder, const QStringList& driveRoots, QWidget* parent)
    : QDialog(parent), m_destinationFolder(destinationFolder)
{
    setupUi();
    fillDrives(driveRoots);
    showDrive(drive->currentIndex());
    moveFolderTo(QDir::currentPath());

    connect(drive, &QComboBox::currentIndexChanged, this, &frmFolder::showDrive);
    connect(folder, &QTreeWidget::currentItemChanged, this, &frmFolder::showFolderPath);
    connect(folder, &QTreeWidget::itemClicked, this, &frmFolder::showFolderPath);
    connect(folder, &QTreeWidget::itemExpanded, this, &frmFolder::refreshChildren);
    connect(NewFolder, &QPushButton::clicked, this, &frmFolder::onNewFolder);
    connect(ok, &QPushButton::clicked, this, &frmFolder::onOk);
    connect(cancel, &QPushButton::clicked, this, &frmFolder::onCancel);
}

void frmFolder::setupUi()
{
    setObjectName(QStringLiteral("frmFolder"));
    setWindowTitle(QStringLiteral("Select output folder"));

    txtpath = new QLineEdit(this);
    txtpath->setObjectName(QStringLiteral("txtpath"));

    drive = new QComboBox(this);
    drive->setObjectName(QStringLiteral("drive"));

    folder = new QTreeWidget(this);
    folder->setObjectName(QStringLiteral("folder"));
    folder->setColumnCount(1);
    folder->header()->hide();
    folder->setUniformRowHeights(true);
    folder->setSelectionMode(QAbstractItemView::SingleSelection);

    NewFolder = new QPushButton(QStringLiteral(" New Folder"), this);
    NewFolder->setObjectName(QStringLiteral("NewFolder"));
    ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("ok"));
    // Enter in the path box confirms the typed folder.
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(NewFolder);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* browse = new QVBoxLayout;
    browse->addWidget(drive);
    browse->addWidget(folder, 1);

    auto* body = new QHBoxLayout;
    body->addLayout(browse, 1);
    body->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtpath);
    layout->addLayout(body, 1);
    resize(460, 380);
}

// The desktop theme's drive and folder icons are drawn for any scale. Where the desktop has no
// theme, the drive is drawn by the program, also for any scale, and the folder is the style's.
QIcon frmFolder::driveIcon() const
{
    return QIcon::fromTheme(QStringLiteral("drive-harddisk"), QIcon(new DriveIconEngine));
}

QIcon frmFolder::folderIcon() const
{
    return QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon));
}

void frmFolder::fillDrives(const QStringList& driveRoots)
{
    const QIcon drives = driveIcon();
    for (const QString& root : driveRoots) {
        QString text = root;
        // A volume's label helps tell drives apart; a folder that is no mount point has none.
        const QStorageInfo volume(root);
        if (volume.rootPath() == root && !volume.name().isEmpty())
            text += QStringLiteral(" [") + volume.name() + u']';
        drive->addItem(drives, text, root);
    }

    // The current drive is the one holding the process's current folder: the innermost when
    // volumes are mounted inside each other.
    const QString current = QDir::currentPath();
    int best = 0;
    qsizetype bestLength = -1;
    for (int i = 0; i < drive->count(); ++i) {
        const QString root = drive->itemData(i).toString();
        if (isInside(current, root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    drive->setCurrentIndex(drive->count() ? best : -1);
}

void frmFolder::showDrive(int index)
{
    folder->clear();
    if (index < 0)
        return;
    const QString root = drive->itemData(index).toString();
    auto* top = new QTreeWidgetItem(folder, QStringList{root});
    top->setData(0, kPathRole, root);
    top->setIcon(0, driveIcon());
    {
        const QSignalBlocker blocker(folder);
        refreshChildren(top);
        top->setExpanded(true);
    }
    folder->setCurrentItem(top);
    showFolderPath();
}

// Opens the tree down to `path` on the shown drive, as far as its folders exist, and selects the
// deepest one reached.
void frmFolder::moveFolderTo(const QString& path)
{
    QTreeWidgetItem* item = folder->topLevelItem(0);
    if (!item)
        return;
    const QString root = item->data(0, kPathRole).toString();
    const QString target = QDir::cleanPath(path);
    if (!isInside(target, root))
        return;
    {
        const QSignalBlocker blocker(folder);
        for (const QString& name : target.mid(root.size()).split(u'/', Qt::SkipEmptyParts)) {
            QTreeWidgetItem* child = childNamed(item, name);
            if (!child) {
                refreshChildren(item);
                child = childNamed(item, name);
            }
            if (!child)
                break;
            item->setExpanded(true);
            refreshChildren(child);
            item = child;
        }
        // Its own folders show, as they are the likely next step.
        item->setExpanded(true);
    }
    folder->setCurrentItem(item);
    folder->scrollToItem(item);
    showFolderPath();
}

// Brings an item's children in line with the folders on disk. Children that still exist keep
// their items, and with them whatever is open below them and the selection.
void frmFolder::refreshChildren(QTreeWidgetItem* item)
{
    const QString path = item->data(0, kPathRole).toString();
    const QStringList names =
        QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                             QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    int row = 0;
    for (const QString& name : names) {
        int found = -1;
        for (int i = row; i < item->childCount(); ++i) {
            if (item->child(i)->text(0) == name) {
                found = i;
                break;
            }
        }
        if (found < 0) {
            item->insertChild(row, newFolderItem(joinPath(path, name), name));
        } else {
            for (int i = found - 1; i >= row; --i)
                delete item->takeChild(i);
        }
        ++row;
    }
    while (item->childCount() > row)
        delete item->takeChild(row);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* frmFolder::newFolderItem(const QString& path, const QString& name)
{
    auto* item = new QTreeWidgetItem(QStringList{name});
    item->setData(0, kPathRole, path);
    item->setIcon(0, folderIcon());
    // Its folders are read when it is opened; until then it may have some.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

QString frmFolder::FolderPath() const
{
    const QTreeWidgetItem* item = folder->currentItem();
    return item ? item->data(0, kPathRole).toString() : QString();
}

void frmFolder::showFolderPath()
{
    txtpath->setText(FolderPath());
}

QString frmFolder::CollapseSeparators(const QString& path)
{
    QString collapsed;
    collapsed.reserve(path.size());
    for (const QChar c : path) {
        if (c == u'/' && collapsed.endsWith(u'/'))
            continue;
        collapsed += c;
    }
    return collapsed;
}

void frmFolder::onNewFolder()
{
    const QString parentPath = FolderPath();
    if (parentPath.isEmpty())
        return;
    const std::optional<QString> answer =
        UserDialogs::current().input(this, QStringLiteral("please enter the New Folder name"), {}, {});
    if (!answer || answer->isEmpty()) {
        showMessage(this, QStringLiteral("invalid Folder Name"));
        return;
    }
    const QString name = *answer;
    const QString path = CollapseSeparators(parentPath + u'/' + name);
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        showMessage(this, name + QStringLiteral(" already exist"));
        return;
    }
    // Any other reason the folder cannot be made (no permission, a missing parent in the name)
    // leaves everything as it was.
    if (!QDir().mkdir(path))
        return;
    // The walk lists the selected folder again, as the new one is not in the tree yet.
    moveFolderTo(path);
}

// Only a folder will do: the scripts are written into it.
std::optional<QString> frmFolder::DestinationFor(const QString& typed)
{
    if (typed.isEmpty() || !QFileInfo(typed).isDir())
        return std::nullopt;
    return CollapseSeparators(typed + u'/');
}

void frmFolder::onOk()
{
    const std::optional<QString> destination = DestinationFor(txtpath->text());
    if (!destination) {
        showMessage(this, QStringLiteral("folder dosnt exist"));
        return;
    }
    m_destinationFolder = *destination;
    m_confirmed = true;
    accept();
}

void frmFolder::onCancel()
{
    showMessage(this, QStringLiteral("You must select a destination folder before proceeding"),
                MessageIcon::Exclamation);
    reject();
}
