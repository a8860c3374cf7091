#include "cli/progress.h"

#include <QFile>

#include <algorithm>
#include <unistd.h>

ProgressReporter::ProgressReporter(QIODevice &err, QString label, bool terminal)
    : m_err(err)
    , m_label(std::move(label))
    , m_terminal(terminal)
{}

ProgressReporter::~ProgressReporter()
{
    finish();
}

bool ProgressReporter::isTerminal(const QIODevice &device)
{
    const auto *file = qobject_cast<const QFile *>(&device);
    return file && file->handle() >= 0 && isatty(file->handle()) == 1;
}

void ProgressReporter::update(float fraction)
{
    if (m_finished)
        return;
    const int percent = int(std::clamp(fraction, 0.0f, 1.0f) * 100.0f);
    if (m_terminal) {
        if (percent == m_shownPercent)
            return;
        const int filled = percent * kBarWidth / 100;
        m_err.write(QStringLiteral("\r%1 [%2%3] %4%")
                        .arg(m_label, QString(filled, QLatin1Char('#')),
                             QString(kBarWidth - filled, QLatin1Char('.')))
                        .arg(percent, 3)
                        .toUtf8());
    } else {
        const int step = percent / kLineStepPercent * kLineStepPercent;
        if (step <= m_shownPercent)
            return;
        m_err.write(QStringLiteral("%1: %2%\n").arg(m_label).arg(step).toUtf8());
        m_shownPercent = step;
        return;
    }
    m_shownPercent = percent;
}

void ProgressReporter::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_terminal && m_shownPercent >= 0)
        m_err.write("\n");
}
