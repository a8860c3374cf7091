#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// Each test folder builds one executable holding several QtTest classes. A class registers
// itself with ZX_REGISTER_TEST in its own .cpp file, and the shared main runs them all.
namespace zxtest {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

struct RegisteredTest
{
    const char *name;
    TestFactory create;
};

std::vector<RegisteredTest> &registeredTests();

struct TestRegistrar
{
    TestRegistrar(const char *name, TestFactory create)
    {
        registeredTests().push_back({name, std::move(create)});
    }
};

} // namespace zxtest

#define ZX_REGISTER_TEST(TestClass)                                                                \
    static const zxtest::TestRegistrar zxRegistrar##TestClass                                      \
    {                                                                                              \
#TestClass, [] { return std::unique_ptr<QObject>(std::make_unique<TestClass>()); }         \
    }
