#pragma once

#include "app/tooltipparser.h"

#include <QLabel>

// The small help icon beside a control ("Icon-Help.png"). Its text comes from the tooltip
// file by key and appears as a tooltip when the pointer enters the icon. Keyboard users reach
// it with Tab: focusing it, or pressing F1 or Space on it, shows the same tooltip; screen
// readers get the name "Help" and the text as its description.
class HelpIndicator : public QLabel
{
    Q_OBJECT

public:
    static constexpr int kTooltipShowTimeMs = 60'000;

    // The table is copied (it is implicitly shared and read-only after start-up). A key that
    // is not in the table gives an empty text, and then no tooltip shows.
    HelpIndicator(const QString &tooltipKey, const TooltipTable &table, QWidget *parent = nullptr);

    [[nodiscard]] QString tooltipKey() const { return m_key; }
    // The text as the tooltip file gives it, line breaks as "\n".
    [[nodiscard]] QString helpText() const { return m_text; }

    // The rich text shown: every "\n" becomes "<br>", the whole wrapped in a span.
    [[nodiscard]] static QString tooltipHtml(const QString &text);

    // Shows the tooltip at the icon's bottom-left corner, tied to the icon, for 60 s.
    void showHelp();

protected:
    void enterEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_key;
    QString m_text;
};
