#pragma once

#include "ui/navigation/page.h"

#include <QString>

class QLabel;

// Stands in for a page whose editor the program does not have: the row's title and a short
// note, on the page background.
class PlaceholderPage : public Page
{
    Q_OBJECT

public:
    explicit PlaceholderPage(const QString &title, QWidget *parent = nullptr);

    [[nodiscard]] QString title() const;

private:
    QLabel *m_title = nullptr;
};
