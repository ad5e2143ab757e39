// tulo_window_tests CLASS [Qt Test options]: runs one of the window's test classes.

#include "WindowTests.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <vector>

namespace tulo::test {

std::map<std::string, WindowTestMaker>& WindowTestClasses() {
    static std::map<std::string, WindowTestMaker> classes;
    return classes;
}

} // namespace tulo::test

int main(int argc, char* argv[]) {
    // As QTEST_MAIN sets up a widget test.
    QApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    const auto& classes = tulo::test::WindowTestClasses();
    const auto found = argc > 1 ? classes.find(argv[1]) : classes.end();
    if (found == classes.end()) {
        std::fprintf(stderr, "Usage: %s CLASS [Qt Test options]; the classes:\n", argv[0]);
        for (const auto& entry : classes) std::fprintf(stderr, "  %s\n", entry.first.c_str());
        return 2;
    }
    const std::unique_ptr<QObject> test = found->second();
    std::vector<char*> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    return QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
}
