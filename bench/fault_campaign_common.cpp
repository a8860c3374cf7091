// What the campaigns share: outcome names, the per-run random source and event-loop waits.
#include "fault_campaign.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <array>

namespace faultcampaign {

namespace {

struct OutcomeInfo
{
    Outcome outcome;
    const char *name;
};

constexpr std::array kOutcomes{
    OutcomeInfo{Outcome::Success, "success"}, OutcomeInfo{Outcome::FailureReported, "failed"},
    OutcomeInfo{Outcome::Loss, "loss"},       OutcomeInfo{Outcome::Hang, "hang"},
    OutcomeInfo{Outcome::Crash, "crash"},
};

// FNV-1a: a name's number must not change between processes, as a seeded hash may.
std::uint32_t stableHash(const QString &text)
{
    std::uint32_t hash = 2166136261u;
    for (const char byte : text.toUtf8()) {
        hash ^= std::uint8_t(byte);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

QString outcomeName(Outcome outcome)
{
    for (const OutcomeInfo &info : kOutcomes) {
        if (info.outcome == outcome)
            return QString::fromLatin1(info.name);
    }
    return {};
}

std::optional<Outcome> outcomeFromName(const QString &name)
{
    for (const OutcomeInfo &info : kOutcomes) {
        if (name == QLatin1String(info.name))
            return info.outcome;
    }
    return std::nullopt;
}

std::mt19937_64 runRandom(quint64 seed, const QString &campaign, int run)
{
    std::seed_seq sequence{std::uint32_t(seed), std::uint32_t(seed >> 32), stableHash(campaign),
                           std::uint32_t(run)};
    return std::mt19937_64(sequence);
}

int uniform(std::mt19937_64 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool chance(std::mt19937_64 &random, double probability)
{
    return std::bernoulli_distribution(probability)(random);
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

} // namespace faultcampaign
