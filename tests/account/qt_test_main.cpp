// The account tests need a Qt application object: the HTTP requests wait in Qt event loops.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
