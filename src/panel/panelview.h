#pragma once

#include <QHash>
#include <QString>
#include <QUuid>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;

namespace Quello {

class Announcer;
class DigStore;
class GlassBackground;
class IconView;
class InputBar;
class WatchListView;

// The panel: one 380-pixel column with a header (icon, name, summary line,
// actions menu), the list of watches and the input bar, on the glass
// background.
class PanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 380;

    explicit PanelView(DigStore& store, QWidget* parent = nullptr);

    // The header's summary line for `watches` watches of which `pending` are
    // still propagating.
    static QString subtitle(int watches, int pending);

    QLabel* subtitleLabel() const { return m_subtitle; }
    QToolButton* actionsButton() const { return m_actionsButton; }
    QMenu* actionsMenu() const { return m_actionsMenu; }
    QAction* checkAllAction() const { return m_checkAll; }
    QAction* quitAction() const { return m_quit; }
    WatchListView* listArea() const { return m_listArea; }
    InputBar* inputBar() const { return m_inputBar; }
    QLineEdit* inputField() const;

    // Gives the keyboard to the input field, so that a freshly opened panel
    // takes typing and its keys at once.
    void takeInitialFocus();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildHeader();
    void refresh();
    void applyPalette();
    // Tells the screen reader when a watch settles or falls back while the
    // panel is open (closed, the desktop notification does).
    void announceSettling(const QUuid& id);
    void greetReader();

    DigStore& m_store;
    GlassBackground* m_glass;
    IconView* m_icon = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QToolButton* m_actionsButton = nullptr;
    QMenu* m_actionsMenu = nullptr;
    QAction* m_checkAll = nullptr;
    QAction* m_quit = nullptr;
    WatchListView* m_listArea = nullptr;
    InputBar* m_inputBar = nullptr;
    Announcer* m_announcer = nullptr;
};

} // namespace Quello
