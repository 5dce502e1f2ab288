#include "app/MainWindow.h"

#include "app/MainView.h"
#include "app/PreferencesView.h"
#include "app/SheetOverlay.h"
#include "app/SweeplineApp.h"
#include "app/TitleBarButtons.h"
#include "app/WindowChrome.h"
#include "state/AppNavigation.h"
#include "state/L10n.h"
#include "state/LanguageManager.h"
#include "state/MainWindowCloseGuard.h"
#include "state/SharedState.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/NeonOverlay.h"
#include "views/kit/NeonShapes.h"

#include <QImage>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>
#include <QShowEvent>

#include <cmath>
#include <functional>

namespace tw {

// ---- MainWindow -----------------------------------------------------------------------

namespace {

// Clears what lies outside the window's rounded shape at one corner, with a
// smooth edge, stacked over the whole content (the window mask alone is
// jagged). Four small ones stay out of repaints elsewhere in the window.
class CornerClip : public NeonOverlay {
public:
    CornerClip(QWidget* parent, qreal radius, std::function<void()> painted)
        : NeonOverlay(parent)
        , m_radius(radius)
        , m_painted(std::move(painted))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName(QStringLiteral("cornerClip"));
    }

    // Only what lies outside the window's rounded shape (and its soft edge).
    QRegion paintedRegion() const override
    {
        const QRect outer(QPoint(0, 0), parentWidget()->size());
        if (outer.size() != m_paintedFor.size() || pos() != m_paintedFor.topLeft()) {
            const QPolygon inside = neon::roundedRect(QRectF(outer).adjusted(1, 1, -1, -1), m_radius - 1)
                                        .toFillPolygon()
                                        .toPolygon();
            m_outside = (QRegion(outer) - QRegion(inside)).translated(-pos()) & rect();
            m_paintedFor = QRect(pos(), outer.size());
        }
        return m_outside;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
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
    mutable QRegion m_outside;
    mutable QRect m_paintedFor;
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
    , m_buttons(new TitleBarButtons(this))
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
    // The window itself holds the focus until the Tab key moves it: on
    // activation Qt would otherwise put it on the first pill, ring and all.
    keyfocus::holdFocusItself(this);
    resize(minimumWidth(), minimumHeight());
    WindowChrome::install(this, cornerRadius());
    m_buttons->stackUnder(m_overlay);
    // The platform's close shortcut does what the close button does.
    auto* close = new QShortcut(QKeySequence::Close, this);
    connect(close, &QShortcut::activated, this, [this] {
        if (SharedState* state = SharedState::current())
            state->closeGuard().hideMainWindow(this);
        else
            hide();
    });

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

Qt::LayoutDirection MainWindow::layoutDirectionFor(const QString& languageCode)
{
    // A language without a table is shown in English.
    if (!TranslationTables::tables().contains(languageCode))
        return Qt::LeftToRight;
    return QLocale(languageCode).textDirection();
}

void MainWindow::rebuildContent()
{
    // The direction first: the new content is laid out once, in it.
    setLayoutDirection(layoutDirectionFor(L10n::currentLanguageCode()));
    delete m_view.data();
    m_view = new MainView(m_env, this);
    m_view->setObjectName(identity());
    m_view->setGeometry(rect());
    m_view->stackUnder(m_buttons);
    if (isVisible())
        m_view->show();
}

void MainWindow::presentPreferences(bool show)
{
    if (!show) {
        m_overlay->hide();
        m_overlay->setSheet(nullptr);
        if (m_beforeSheet)
            m_beforeSheet->giveBack();
        m_beforeSheet.reset();
        return;
    }
    if (m_overlay->isHidden())
        m_beforeSheet.emplace(this);
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

bool MainWindow::focusNextPrevChild(bool next)
{
    // A focused control that hides outside a tab's pane (the sheet closing)
    // hands the focus on through here: the window keeps it, as it does at
    // the start, rather than the next stop showing its ring after a click.
    if (QWidget* focused = focusWidget(); focused && focused != this && !focused->isVisible()) {
        setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void MainWindow::resizeEvent(QResizeEvent*)
{
    if (m_view)
        m_view->setGeometry(rect());
    m_overlay->setGeometry(rect());
    m_buttons->place();
    const int c = int(std::ceil(cornerRadius())) + 1;
    const QPoint corners[] = {{0, 0}, {width() - c, 0}, {0, height() - c}, {width() - c, height() - c}};
    for (int i = 0; i < m_clips.size(); ++i) {
        m_clips[i]->setGeometry(QRect(corners[i], QSize(c, c)));
        m_clips[i]->raise();
    }
}

} // namespace tw
