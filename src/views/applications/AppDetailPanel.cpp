#include "views/applications/AppDetailPanel.h"

#include "engine/inventory/ByteFormat.h"
#include "state/L10n.h"
#include "views/applications/AdvancedFileTree.h"
#include "views/applications/ApplicationLists.h"
#include "views/applications/DetailTexts.h"
#include "views/applications/DocumentTypesReader.h"
#include "views/applications/FileTreeRows.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/Divider.h"
#include "views/kit/IconView.h"
#include "views/kit/LazyList.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/TypeScale.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextLines.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tw {

namespace {

int linesHeight(const QFont& f, const QString& text, qreal width, int maxLines)
{
    return int(std::ceil(text::wrappedHeight(f, text, width, maxLines)));
}

QColor tertiaryTint()
{
    return neon::faded(secondaryTint(), 0.7);
}

} // namespace

// ---- Header --------------------------------------------------------------------

// The icon, the four lines of identity and the reclaimable size.
class AppDetailPanel::Header : public QWidget {
public:
    explicit Header(QWidget* parent)
        : QWidget(parent)
        , m_icon(new IconView(kIcon, 10, this))
    {
        onThemeChange(this, [this] { update(); });
        Mirror::resizeOnDirectionChange(this);
    }

    void setSubject(const AppInfoPtr& app, bool advanceMode)
    {
        m_app = app;
        m_advance = advanceMode;
        m_icon->setIcon(app ? app->icon() : IconRef::none());
        m_texts.clear();
        if (app)
            m_texts = {app->name(), L10n::t(QStringLiteral("apps.files_folders")), apps::developerLine(*app, advanceMode),
                       apps::verificationLine(*app, advanceMode), byteformat::string(app->totalReclaimableSize())};
        m_drawn = m_texts;
        if (app) {
            m_drawn[2] = apps::developerLine(*app, advanceMode, apps::Run::drawn);
            m_drawn[3] = apps::verificationLine(*app, advanceMode, apps::Run::drawn);
        }
        updateGeometry();
        setFixedHeight(heightFor(width()));
        update();
    }

    const QStringList& texts() const { return m_texts; }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        setFixedHeight(heightFor(width()));
        placeIcon();
    }

    void paintEvent(QPaintEvent*) override
    {
        if (m_texts.size() < 5)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const Mirror m(*this);
        const QStringList& t = m_texts;
        const QFont sizeFont = typescale::font(TextRole::cardTitle);
        const qreal sizeWidth = QFontMetricsF(sizeFont).horizontalAdvance(t[4]);
        p.setFont(sizeFont);
        p.setPen(accentTint());
        p.drawText(m(QRectF(width() - kPad - sizeWidth, kPad, sizeWidth, QFontMetricsF(sizeFont).height())),
                   m.align(Qt::AlignRight) | Qt::AlignTop, text::leftToRight(t[4]));

        const qreal left = kPad + kIcon + kGap;
        const qreal textWidth = textWidthFor(width());
        qreal y = kPad;
        for (int i = 0; i < 4; ++i) {
            const Line line = lineStyle(i);
            const int h = linesHeight(line.font, t[i], textWidth, line.maxLines);
            const QString& drawn = m_drawn[i];
            p.setPen(line.colour);
            if (line.maxLines == 1)
                text::drawElided(p, m(QRectF(left, y, textWidth, h)), line.font, drawn, m.align(Qt::AlignLeft));
            else
                text::drawWrapped(p, m(QRectF(left, y, textWidth, h)), line.font, drawn, 0, m.align(Qt::AlignLeft));
            y += h + kLineGap;
        }
    }

private:
    static constexpr int kPad = 16;
    static constexpr int kIcon = 48;
    static constexpr int kGap = 14;
    static constexpr int kLineGap = 4;

    struct Line {
        QFont font;
        QColor colour;
        int maxLines;  // 0: no limit
    };

    Line lineStyle(int i) const
    {
        switch (i) {
        case 0: return {typescale::font(TextRole::detailTitle), primaryTextTint(), 1};
        case 1: return {typescale::font(TextRole::callout), secondaryTint(), 0};
        case 2: return {typescale::font(TextRole::caption), secondaryTint(), m_advance ? 1 : 0};
        default: return {typescale::font(TextRole::caption), tertiaryTint(), m_advance ? 1 : 0};
        }
    }

    qreal textWidthFor(int width) const
    {
        const qreal sizeWidth = m_texts.size() > 4
            ? QFontMetricsF(typescale::font(TextRole::cardTitle)).horizontalAdvance(m_texts[4])
            : 0;
        return std::max<qreal>(40, width - 2 * kPad - kIcon - kGap - kGap - sizeWidth);
    }

    void placeIcon() { Mirror(*this).place(m_icon, QRect(kPad, kPad, kIcon, kIcon)); }

    int heightFor(int width) const
    {
        if (m_texts.size() < 5)
            return 2 * kPad + kIcon;
        const QStringList& t = m_texts;
        int h = 0;
        for (int i = 0; i < 4; ++i)
            h += linesHeight(lineStyle(i).font, t[i], textWidthFor(width), lineStyle(i).maxLines) + (i ? kLineGap : 0);
        return 2 * kPad + std::max(kIcon, h);
    }

    IconView* m_icon;
    AppInfoPtr m_app;
    bool m_advance = false;
    QStringList m_texts;  // the four lines, then the size
    QStringList m_drawn;  // the same as drawn: the value lines with their runs isolated
};

// ---- Standard tree -----------------------------------------------------------------

namespace {

enum RowKind { groupRow, bundleRow, typeRow };

struct TreeRow {
    RowKind kind;
    QString text;    // a group's title, a document type
    QString symbol;  // a group's symbol
};

// One declared document type: the document symbol and the extension.
class TypeRow : public QWidget {
public:
    using QWidget::QWidget;
    QString extension;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const Mirror m(*this);
        symbols::paint(p, m(QRectF(tree::kIndent, 0, tree::kSymbolWidth, height())),
                       tintedSymbol(QStringLiteral("doc.fill"), 13));
        p.setPen(primaryTextTint());
        const qreal left = tree::kIndent + tree::kSymbolWidth + tree::kGap;
        text::drawElided(p, m(QRectF(left, 0, width() - left, height())), typescale::font(TextRole::itemName),
                         text::leftToRight(extension), m.align(Qt::AlignLeft));
    }
};

} // namespace

// The bundle under "Executables", then the declared document types.
class AppDetailPanel::StandardTree : public LazyList {
public:
    explicit StandardTree(QWidget* parent)
        : LazyList(parent)
    {
        setFillsBackground(false);
        setPadding(QMargins(12, 8, 12, 8));
        setSpacing(4);
        setRows({
            .kind = [this](int row) { return int(m_rows[row].kind); },
            .height = [this](int row, int width) {
                switch (m_rows[row].kind) {
                case groupRow: return tree::kHeaderHeight;
                case bundleRow: return m_app ? BundleRow::heightFor(*m_app, BundleRow::Naming::displayName, width) : 32;
                case typeRow: return 22;
                }
                return 0;
            },
            .make = [](int kind) -> QWidget* {
                if (kind == groupRow)
                    return new TreeSectionHeader;
                return kind == bundleRow ? static_cast<QWidget*>(new BundleRow(BundleRow::Naming::displayName))
                                         : new TypeRow;
            },
            .bind = [this](QWidget* w, int row) {
                const TreeRow& r = m_rows[row];
                if (r.kind == groupRow)
                    static_cast<TreeSectionHeader*>(w)->setSection(r.text, r.symbol, std::nullopt);
                else if (r.kind == bundleRow && m_app)
                    static_cast<BundleRow*>(w)->setApp(m_app);
                else if (r.kind == typeRow)
                    static_cast<TypeRow*>(w)->extension = r.text;
                w->update();
            },
        });
    }

    void setSubject(const AppInfoPtr& app, const QStringList& types)
    {
        m_app = app;
        m_rows = {{groupRow, L10n::t(QStringLiteral("apps.executables")), QStringLiteral("hammer.fill")},
                  {bundleRow, {}, {}}};
        if (!types.isEmpty())
            m_rows.push_back({groupRow, L10n::t(QStringLiteral("apps.document_types")), QStringLiteral("doc.on.doc.fill")});
        for (const QString& t : types)
            m_rows.push_back({typeRow, t, {}});
        reset(int(m_rows.size()));
    }

    QStringList texts() const
    {
        QStringList out;
        for (const TreeRow& r : m_rows)
            out << (r.kind == bundleRow && m_app ? apps::bundleDisplayName(*m_app) + u'|' + apps::folderText(m_app->path())
                                                 : r.text);
        return out;
    }

    AppKitCheckbox* bundleCheckbox() const
    {
        auto* row = static_cast<BundleRow*>(widgetFor(1));
        return row ? row->checkbox() : nullptr;
    }

private:
    AppInfoPtr m_app;
    std::vector<TreeRow> m_rows;
};

// ---- Panel ---------------------------------------------------------------------------

AppDetailPanel::AppDetailPanel(const FileSystem& fs, QWidget* parent)
    : QWidget(parent)
    , m_header(new Header(this))
    , m_files(new QStackedWidget(this))
    , m_tree(new StandardTree(m_files))
    , m_progress(new ProgressIndicator(QStringLiteral("Reading service files…"), m_files))
    , m_advanced(new AdvancedFileTree(m_files))
    , m_types(new DocumentTypesReader(fs, this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(new Divider(this));
    column->addWidget(m_files, 1);
    m_files->addWidget(m_tree);
    m_files->addWidget(m_progress);
    m_files->addWidget(m_advanced);
    connect(m_types, &DocumentTypesReader::ready, this, [this] { m_tree->setSubject(m_app, m_types->extensions()); });
}

Binding<bool> AppDetailPanel::bundleRemovalBinding(const AppInfoPtr& app)
{
    std::weak_ptr<AppInfo> weak = app;
    return {[weak] {
                const AppInfoPtr a = weak.lock();
                return a && a->removeAppBundle();
            },
            [weak](bool v) {
                const AppInfoPtr a = weak.lock();
                if (!a || a->removeAppBundle() == v)
                    return;
                a->setRemoveAppBundle(v);
                a->refreshRootSelectionFromFiles();
            }};
}

void AppDetailPanel::setSubject(AppInfoPtr app, bool advanceMode)
{
    const bool newSubject = app != m_app;
    m_app = std::move(app);
    m_advanceMode = advanceMode;
    if (newSubject) {
        disconnect(m_watch);
        if (m_app)
            m_watch = connect(m_app.get(), &AppInfo::changed, this, &AppDetailPanel::recordChanged);
        // The types are read once per subject, off the GUI thread; the tree
        // shows the bundle at once and its types when they arrive.
        m_tree->setSubject(m_app, {});
        if (m_app)
            m_types->read(m_app->path());
    }
    recordChanged();
}

void AppDetailPanel::recordChanged()
{
    m_header->setSubject(m_app, m_advanceMode);
    m_tree->updateRows();
    if (!m_advanceMode || !m_app) {
        m_files->setCurrentWidget(m_tree);
        return;
    }
    if (m_app->isScanningLeftovers()) {
        m_files->setCurrentWidget(m_progress);
        return;
    }
    // The advanced tree takes its subject only when it is shown.
    if (m_advanced->subject() != m_app)
        m_advanced->setSubject(m_app);
    else
        m_advanced->recordChanged();
    m_files->setCurrentWidget(m_advanced);
}

AppDetailPanel::FileView AppDetailPanel::fileView() const
{
    if (m_files->currentWidget() == m_progress)
        return FileView::progress;
    return m_files->currentWidget() == m_advanced ? FileView::advanced : FileView::standard;
}

QStringList AppDetailPanel::headerTexts() const
{
    return m_header->texts();
}

QStringList AppDetailPanel::treeTexts() const
{
    return m_tree->texts();
}

AppKitCheckbox* AppDetailPanel::bundleCheckbox() const
{
    return m_tree->bundleCheckbox();
}

bool AppDetailPanel::documentTypesReady() const
{
    return m_types->isReady() && m_app && m_types->bundlePath() == m_app->path();
}

} // namespace tw
