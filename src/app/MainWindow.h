#pragma once

#include "app/MainView.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace tw {

class AppSettings;
class LanguageManager;
class PreferencesView;
class SheetOverlay;
class TitleBarButtons;

// The main window: frameless, rounded (radius 20), at least 1100 x 680, with
// the title-bar buttons, the main view (rebuilt whenever the language is set;
// it carries the glass backdrop that covers the whole window) and the
// preferences sheet, shown while the navigation asks for it. Its layout runs
// right to left while the interface language is written that way. The close
// shortcut hides it as its close button does.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(const WorkspaceEnvironment& env, AppSettings& settings, LanguageManager& language,
               QWidget* parent = nullptr);

    static constexpr int minimumWidth() { return 1100; }
    static constexpr int minimumHeight() { return 680; }
    static constexpr qreal cornerRadius() { return 20; }

    MainView* mainView() const { return m_view; }
    SheetOverlay* sheetOverlay() const { return m_overlay; }
    TitleBarButtons* titleBarButtons() const { return m_buttons; }
    PreferencesView* preferences() const;
    // The content's identity: the language's raw value, "-", its revision.
    QString identity() const;
    // The direction of the interface language with that code.
    static Qt::LayoutDirection layoutDirectionFor(const QString& languageCode);
    bool hasPainted() const { return m_painted; }

signals:
    // The content was shown (each showing, not each paint).
    void contentShown();
    // The first complete frame of the window was painted.
    void firstPainted();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void rebuildContent();
    void presentPreferences(bool show);

    WorkspaceEnvironment m_env;
    AppSettings& m_settings;
    LanguageManager& m_language;
    QPointer<MainView> m_view;
    SheetOverlay* m_overlay;
    // The focus the sheet took, given back when it goes.
    std::optional<keyfocus::FocusReturn> m_beforeSheet;
    TitleBarButtons* m_buttons;
    QList<QWidget*> m_clips;
    bool m_painted = false;
};

} // namespace tw
