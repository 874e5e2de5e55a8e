#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Widget tests need an application object; the platform is offscreen and the
// regional settings Brazilian, as on the users' machines.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LANG", "pt_BR.UTF-8");
    qputenv("LC_ALL", "pt_BR.UTF-8");
    qputenv("LANGUAGE", "pt_BR");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
