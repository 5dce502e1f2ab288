#include "app/SweeplineApp.h"

#include "app/AppSettings.h"
#include "app/EngineBindings.h"
#include "app/L10n.h"
#include "app/NeonBorder.h"
#include "app/NeonPaint.h"
#include "app/PreferencesView.h"
#include "app/SharedState.h"
#include "app/WindowChrome.h"
#include "app/WindowHandling.h"
#include "engine/inventory/AppRemovalWatcher.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/ByteFormat.h"

#include <QAction>
#include <QImage>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QPaintEvent>
#include <QPainter>
#include <QShowEvent>

#include <cmath>

namespace tw {

// ---- MainWindow -----------------------------------------------------------------------

namespace {

// Clears what lies outside the window's rounded shape at one corner, with a
// smooth edge, stacked over the whole content (the window mask alone is
// jagged). Four small ones stay out of repaints elsewhere in the window.
class CornerClip : public QWidget {
public:
    CornerClip(QWidget* parent, qreal radius, std::function<void()> painted)
        : QWidget(parent)
        , m_radius(radius)
        , m_painted(std::move(painted))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName(QStringLiteral("cornerClip"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (ClockwiseNeonBorder::isCapturing())
            return;
        // The last of these is painted last of all the window's widgets: a
        // first paint of the whole window is complete after it.
        struct Done {
            const std::function<void()>& f;
            ~Done()
            {
                if (f)
                    f();
            }
        } done{m_painted};
        // The neon borders' animation repaints the corners next to them: the
        // shape is rasterised once into a mask, and each paint only applies it.
        const qreal dpr = devicePixelRatioF();
        const QSize parentSize = parentWidget()->size();
        if (m_mask.isNull() || m_maskPos != pos() || m_maskParentSize != parentSize || m_mask.devicePixelRatio() != dpr
            || m_mask.size() != size() * dpr) {
            m_mask = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
            m_mask.setDevicePixelRatio(dpr);
            m_mask.fill(Qt::transparent);
            QPainter q(&m_mask);
            q.setRenderHint(QPainter::Antialiasing);
            q.translate(-pos());
            neon::fillOutsideCorners(q, QRectF(QPointF(0, 0), QSizeF(parentSize)), m_radius, Qt::black);
            m_maskPos = pos();
            m_maskParentSize = parentSize;
        }
        // Clearing with the shape's coverage: what the mask covers goes.
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        p.drawImage(QPointF(0, 0), m_mask);
    }

private:
    qreal m_radius;
    std::function<void()> m_painted;
    QImage m_mask;
    QPoint m_maskPos;
    QSize m_maskParentSize;
};

} // namespace

MainWindow::MainWindow(const WorkspaceEnvironment& env, AppSettings& settings, LanguageManager& language,
                       QWidget* parent)
    : QWidget(parent)
    , m_env(env)
    , m_settings(settings)
    , m_language(language)
    , m_overlay(new SheetOverlay(this))
{
    for (int i = 0; i < 4; ++i)
        m_clips << new CornerClip(this, cornerRadius(), i < 3 ? std::function<void()>() : [this] {
            if (!m_painted) {
                m_painted = true;
                emit firstPainted();
            }
        });
    setObjectName(QStringLiteral("main"));
    setWindowTitle(SweeplineApp::displayName());
    setMinimumSize(minimumWidth(), minimumHeight());
    resize(minimumWidth(), minimumHeight());
    WindowChrome::install(this, cornerRadius());

    rebuildContent();
    // Setting the language, even to the same one, rebuilds the content; the
    // hooks and the sheet live outside it.
    connect(&language, &LanguageManager::languageChanged, this, &MainWindow::rebuildContent);
    connect(&env.navigation, &AppNavigation::showPreferencesChanged, this, &MainWindow::presentPreferences);
    connect(&env.theme, &ThemeManager::appearanceChanged, this, [this] { update(); });
    if (env.navigation.showPreferences())
        presentPreferences(true);
}

PreferencesView* MainWindow::preferences() const
{
    return qobject_cast<PreferencesView*>(m_overlay->sheet());
}

QString MainWindow::identity() const
{
    return rawValue(m_language.language()) + u'-' + QString::number(m_language.revision());
}

void MainWindow::rebuildContent()
{
    delete m_view.data();
    m_view = new MainView(m_env, this);
    m_view->setObjectName(identity());
    m_view->setGeometry(rect());
    m_view->stackUnder(m_overlay);
    if (isVisible())
        m_view->show();
}

void MainWindow::presentPreferences(bool show)
{
    if (!show) {
        m_overlay->hide();
        m_overlay->setSheet(nullptr);
        return;
    }
    if (!preferences()) {
        auto* sheet = new PreferencesView(m_settings, [nav = &m_env.navigation] { nav->setShowPreferences(false); });
        m_overlay->setSheet(sheet);
    }
    m_overlay->setGeometry(rect());
    m_overlay->raise();
    for (QWidget* clip : std::as_const(m_clips))
        clip->raise();
    m_overlay->show();
    m_overlay->sheet()->setFocus();
}

void MainWindow::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        emit contentShown();
}

void MainWindow::resizeEvent(QResizeEvent*)
{
    if (m_view)
        m_view->setGeometry(rect());
    m_overlay->setGeometry(rect());
    const int c = int(std::ceil(cornerRadius())) + 1;
    const QPoint corners[] = {{0, 0}, {width() - c, 0}, {0, height() - c}, {width() - c, height() - c}};
    for (int i = 0; i < m_clips.size(); ++i) {
        m_clips[i]->setGeometry(QRect(corners[i], QSize(c, c)));
        m_clips[i]->raise();
    }
}

// ---- Cleanup offer ------------------------------------------------------------------------

namespace CleanupOfferAlert {

QString title(const RemainCleanupOffer& offer)
{
    return offer.appName + QStringLiteral(" has been moved to Trash");
}

QString message(const RemainCleanupOffer& offer)
{
    return SweeplineApp::displayName() + QStringLiteral(" detected ") + ByteFormat::string(offer.totalSize())
        + QStringLiteral(" of remaining files (") + QString::number(offer.leftovers.size())
        + QStringLiteral(" items).\nWould you like to remove the leftovers completely?");
}

QList<RemovableItem> removableItems(const RemainCleanupOffer& offer)
{
    QList<RemovableItem> items;
    for (const LeftoverPtr& leftover : offer.leftovers) {
        if (!leftover)
            continue;
        RemovableItem item;
        item.title = leftover->path().section(u'/', -1, -1, QString::SectionSkipEmpty);
        item.subtitle = leftover->kindDescription();
        item.path = leftover->path();
        item.size = leftover->size();
        item.category = leftover->kindDescription();
        item.isSelected = true;
        item.relatedPaths = {leftover->path()};
        items << item;
    }
    return items;
}

} // namespace CleanupOfferAlert

// ---- SweeplineApp ---------------------------------------------------------------------------

SubsystemSeams& SweeplineApp::seams()
{
    static SubsystemSeams s;
    return s;
}

SweeplineApp::SweeplineApp(const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
{
    // The shared objects first (settings, navigation, language, theme), then
    // the delegate, which needs the navigation.
    m_state = std::make_unique<SharedState>(platform);
    m_delegate = std::make_unique<AppDelegate>(m_state->navigation());

    m_about = new QAction(QStringLiteral("About ") + displayName(), this);
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &SweeplineApp::showAbout);

    m_preferences = new QAction(QStringLiteral("Preferences…"), this);
    m_preferences->setMenuRole(QAction::PreferencesRole);
    QKeySequence prefs(QKeySequence::Preferences);
    if (prefs.isEmpty())
        prefs = QKeySequence(Qt::CTRL | Qt::Key_Comma);  // Command-comma elsewhere
    m_preferences->setShortcut(prefs);
    m_preferences->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_preferences, &QAction::triggered, this, [this] { m_state->navigation().setShowPreferences(true); });

    m_website = new QAction(QStringLiteral("Marrowind Website"), this);
    m_website->setMenuRole(QAction::NoRole);
    connect(m_website, &QAction::triggered, this, [this] { m_platform.workspace().open(Brand::websiteURL()); });
    m_support = new QAction(QStringLiteral("Support"), this);
    m_support->setMenuRole(QAction::NoRole);
    connect(m_support, &QAction::triggered, this, [this] { m_platform.workspace().open(Brand::supportURL()); });

#ifdef Q_OS_MACOS
    // The application menu takes About and Preferences by their roles.
    m_menuBar = new QMenuBar(nullptr);
    QMenu* app = m_menuBar->addMenu(displayName());
    app->addAction(m_about);
    app->addAction(m_preferences);
    QMenu* help = m_menuBar->addMenu(QStringLiteral("Help"));
    help->addAction(m_website);
    help->addAction(m_support);
#endif

    m_state->openBridge().setFactory([this]() -> QWidget* { return createMainWindow(); });
    connect(&m_state->navigation(), &AppNavigation::remainOfferChanged, this, &SweeplineApp::presentOffer);
}

SweeplineApp::~SweeplineApp()
{
    closeOfferAlert();
    delete m_window.data();
    delete m_menuBar;
    m_cleaner.reset();
    m_scanner.reset();
    m_delegate.reset();
    m_state.reset();
}

AppScanner& SweeplineApp::scanner()
{
    if (!m_scanner)
        m_scanner = std::make_unique<AppScanner>(m_platform);
    return *m_scanner;
}

AppRemovalWatcher& SweeplineApp::removalWatcher()
{
    // Made once, with both engines: it follows the detection switch, publishes
    // its offers to the navigation and hears of every uninstall first.
    return bindRemovalWatcher(*m_state, scanner(), cleaner());
}

SystemCleaner& SweeplineApp::cleaner()
{
    if (!m_cleaner) {
        m_cleaner = std::make_unique<SystemCleaner>(m_platform);
        connect(m_cleaner.get(), &SystemCleaner::orphanCountChanged, this, [] {
            if (seams().updateMenuBarBadge)
                seams().updateMenuBarBadge();
        });
    }
    return *m_cleaner;
}

WorkspaceEnvironment SweeplineApp::environment()
{
    return {scanner(), cleaner(), m_state->navigation(), m_state->theme()};
}

MainWindow* SweeplineApp::createMainWindow()
{
    removalWatcher();  // the engines are first needed here; the watcher is bound with them
    auto* window = new MainWindow(environment(), m_state->settings(), m_state->language());
    window->addActions(commands());
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(window, &MainWindow::contentShown, this, &SweeplineApp::runStartupHooks);
    m_window = window;
    return window;
}

void SweeplineApp::start()
{
    MainWindow* window = m_window ? m_window.data() : createMainWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void SweeplineApp::runStartupHooks()
{
    SubsystemSeams& s = seams();
    if (s.installMenuBar)
        s.installMenuBar(scanner(), cleaner());
    removalWatcher().start(&scanner());
    if (m_state->settings().runInBackground() && s.enableLoginItem)
        s.enableLoginItem();
}

QString SweeplineApp::aboutInformativeText()
{
    return QStringLiteral("App uninstaller and Mac cleanup utility.\n\nMade by Marrowind\n") + Brand::websiteHost()
        + QStringLiteral("\nBundle ID: ") + bundleIdentifier();
}

void SweeplineApp::showAbout()
{
    QMessageBox box(m_window && m_window->isVisible() ? m_window.data() : nullptr);
    box.setObjectName(QStringLiteral("about"));
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(displayName());
    box.setText(displayName());
    box.setInformativeText(aboutInformativeText());
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* visit = box.addButton(QStringLiteral("Visit Website"), QMessageBox::ActionRole);
    box.setDefaultButton(ok);
    box.exec();
    if (box.clickedButton() == visit)
        m_platform.workspace().open(Brand::websiteURL());
}

void SweeplineApp::presentOffer()
{
    const std::optional<RemainCleanupOffer>& offer = m_state->navigation().remainOffer();
    closeOfferAlert();
    if (!offer)
        return;
    QWidget* parent = m_window && m_window->isVisible() ? m_window.data() : nullptr;
    auto* box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("cleanupOffer"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(displayName());
    box->setText(CleanupOfferAlert::title(*offer));
    box->setInformativeText(CleanupOfferAlert::message(*offer));
    QPushButton* remove = box->addButton(CleanupOfferAlert::removeButtonText(), QMessageBox::DestructiveRole);
    QPushButton* later = box->addButton(CleanupOfferAlert::laterButtonText(), QMessageBox::RejectRole);
    box->setDefaultButton(later);
    box->setEscapeButton(later);
    const QUuid id = offer->id;
    connect(box, &QMessageBox::buttonClicked, this, [this, remove, id](QAbstractButton* clicked) {
        const auto& current = m_state->navigation().remainOffer();
        if (!current || current->id != id)
            return;
        answerOffer(clicked == remove);
    });
    m_offerAlert = box;
    box->open();
}

void SweeplineApp::closeOfferAlert()
{
    if (QMessageBox* box = m_offerAlert.data()) {
        m_offerAlert.clear();
        box->disconnect(this);
        box->close();
    }
}

void SweeplineApp::answerOffer(bool removeRemainingFiles)
{
    AppNavigation& navigation = m_state->navigation();
    const std::optional<RemainCleanupOffer> offer = navigation.remainOffer();
    if (!offer)
        return;
    if (removeRemainingFiles) {
        // Failures are not reported: what cannot move stays where it is.
        cleaner().trashSelected(CleanupOfferAlert::removableItems(*offer));
        removalWatcher().suppress(offer->bundleIdentifier);
    }
    navigation.openMainWindow(std::nullopt, true, false);
    closeOfferAlert();
    navigation.setRemainOffer(std::nullopt);
}

} // namespace tw
