#include "testregistry.h"

#include <QTest>
#ifdef ZX_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <cstring>

namespace zxtest {

std::vector<RegisteredTest> &registeredTests()
{
    static std::vector<RegisteredTest> tests;
    return tests;
}

} // namespace zxtest

// Usage: test-<folder> [TestClass] [QtTest options...]
// With a class name first, only that class runs; the remaining options go to QtTest.
int main(int argc, char **argv)
{
    TestApplication app(argc, argv);
    const char *onlyClass = nullptr;
    std::vector<char *> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const bool isClassName = i == 1 && argv[i][0] != '-';
        if (isClassName)
            onlyClass = argv[i];
        else
            args.push_back(argv[i]);
    }

    int failures = 0;
    bool ranAny = false;
    for (const auto &test : zxtest::registeredTests()) {
        if (onlyClass && std::strcmp(onlyClass, test.name) != 0)
            continue;
        ranAny = true;
        auto object = test.create();
        failures += QTest::qExec(object.get(), int(args.size()), args.data());
    }
    if (!ranAny) {
        qWarning("No test class named %s", onlyClass ? onlyClass : "(any)");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
