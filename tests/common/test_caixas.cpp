#include "common/prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

TEST(Caixas, AShortMessageUnderALongCaptionIsWideEnoughForTheCaption)
{
    orva::DialogPrompts caixas;
    const QString antes = orva::applicationTitle();
    orva::setApplicationTitle(QStringLiteral("ORVA 2016 - Tessaria"));
    int largura = 0;
    int titulo = 0;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        largura = box->width();
        titulo = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box->windowTitle());
        box->accept();
    });
    caixas.information(QStringLiteral("Registro Gravado !"));
    EXPECT_GT(largura, titulo + 100);
    orva::setApplicationTitle(antes);
}
