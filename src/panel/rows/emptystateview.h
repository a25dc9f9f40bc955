#pragma once

#include <QWidget>

class QLabel;

namespace Quello {

class IconView;

// What the list shows while there are no watches: a symbol, a heading and a
// hint on how to add the first one.
class EmptyStateView : public QWidget {
    Q_OBJECT

public:
    explicit EmptyStateView(QWidget* parent = nullptr);

    QString heading() const;
    QString hint() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColors();

    IconView* m_icon;
    QLabel* m_heading;
    QLabel* m_hint;
};

} // namespace Quello
