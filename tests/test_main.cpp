#include <QApplication>
#include <QDir>
#include <QSysInfo>
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
    // The offscreen platform of the Windows build draws text only with the
    // fonts of one folder: Windows' own, or under Wine, whose Fonts folder is
    // empty, the Linux machine's. Without them reports would hold no text.
    if (QSysInfo::kernelType() == QLatin1String("winnt") && qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
        for (const QString &pasta : {qEnvironmentVariable("WINDIR") + QStringLiteral("/Fonts"),
                                     QStringLiteral("Z:/usr/share/fonts/truetype/dejavu")})
            if (!QDir(pasta).entryList({QStringLiteral("*.ttf")}, QDir::Files).isEmpty()) {
                qputenv("QT_QPA_FONTDIR", QDir::toNativeSeparators(pasta).toLocal8Bit());
                break;
            }
    }
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
