#include "common/errors.h"
#include "common/ini.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using orva::IniFile;

TEST(Ini, ReadsWhateverTheCaseAndKeepsEveryOtherLineWhenWriting)
{
    IniFile ini;
    ini.parse("; comentário\r\n[Remote]\r\n  Addr = 10.0.0.1  \r\nPorta=4040\r\n\r\n[Outra]\nx=1\n");
    EXPECT_TRUE(ini.hasSection("REMOTE"));
    EXPECT_EQ(ini.value("REMOTE", "ADDR"), "10.0.0.1");
    EXPECT_EQ(ini.value("remote", "nada", "padrão"), "padrão");
    EXPECT_EQ(ini.value("Outra", "Addr", "-"), "-"); // keys belong to their own section
    EXPECT_EQ(ini.keys("Remote"), (QStringList{"Addr", "Porta"}));

    // Replaced where it stands; a new key after the section's last key, before
    // the blank line; a new section at the end.
    ini.setValue("REMOTE", "addr", "127.0.0.1");
    ini.setValue("Remote", "Novo", "sim");
    ini.setValue("CMP", "Chave", "NÃO");
    EXPECT_EQ(ini.text(), "; comentário\r\n[Remote]\r\naddr=127.0.0.1\r\nPorta=4040\r\nNovo=sim\r\n\r\n[Outra]\r\nx=1\r\n"
                          "[CMP]\r\nChave=NÃO\r\n");
    EXPECT_THROW(ini.setValue("CMP", "Chave", "a\r\nInjetada=1"), orva::Error);
}

TEST(Ini, SavesInWindows1252AndRefusesWhatItCannotWrite)
{
    QTemporaryDir dir;
    IniFile ini;
    ini.setValue("CMP", "Retificadora", "NÃO");
    ini.save(dir.filePath("a.cmp"));
    QFile f(dir.filePath("a.cmp"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[CMP]\r\nRetificadora=N\xC3O\r\n"));
    IniFile lido;
    ASSERT_TRUE(lido.load(dir.filePath("a.cmp")));
    EXPECT_EQ(lido.value("CMP", "Retificadora"), "NÃO");
    EXPECT_FALSE(lido.load(dir.filePath("nao-existe.ini")));
    EXPECT_THROW(ini.save(dir.filePath("nao-existe/a.cmp")), orva::Error);
}
