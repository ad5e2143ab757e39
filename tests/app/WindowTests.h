#pragma once
// The window's test classes share one program, so that the Qt headers and the window's library are
// compiled and linked once. Each class registers itself by name; the program runs the class its first
// argument names, and CTest starts one process a class, as it did when each was a program of its own.

#include <QObject>

#include <map>
#include <memory>
#include <string>

namespace tulo::test {

using WindowTestMaker = std::unique_ptr<QObject> (*)();

std::map<std::string, WindowTestMaker>& WindowTestClasses();

struct WindowTestRegistration {
    WindowTestRegistration(const char* name, WindowTestMaker make) {
        WindowTestClasses().emplace(name, make);
    }
};

} // namespace tulo::test

// In place of QTEST_MAIN: the class is made only when it is run, after the application exists.
#define TULO_WINDOW_TEST(Class)                                                                              \
    static const ::tulo::test::WindowTestRegistration registration##Class{                                   \
        #Class, []() -> std::unique_ptr<QObject> { return std::make_unique<Class>(); }};
