#pragma once

#include <QString>

class QIODevice;

// Progress of a long operation on standard error: a bar redrawn in place on a terminal,
// otherwise a line at every tenth, so that logs of scripted runs stay short.
class ProgressReporter
{
public:
    static constexpr int kBarWidth = 30;
    static constexpr int kLineStepPercent = 10;

    ProgressReporter(QIODevice &err, QString label, bool terminal);
    ~ProgressReporter();

    // Whether `device` writes to a terminal.
    [[nodiscard]] static bool isTerminal(const QIODevice &device);

    // `fraction` from 0.0 to 1.0; values outside are clamped.
    void update(float fraction);
    // Ends the bar's line; later updates are ignored.
    void finish();

private:
    QIODevice &m_err;
    const QString m_label;
    const bool m_terminal;
    int m_shownPercent = -1;
    bool m_finished = false;
};
