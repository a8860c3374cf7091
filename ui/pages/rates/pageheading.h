#pragma once

#include <QString>

class QBoxLayout;
class QWidget;

// The title and the short explanation at the top of a page.
void addPageHeading(QBoxLayout &layout, const QString &title, const QString &explanation,
                    QWidget *parent);
