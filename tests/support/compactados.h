#pragma once
// Inputs that only ZIP readers refuse: a tar inside gzip, and bytes that
// start like lzop's output with a stand-in "lzop" on the path that leaves a
// mark when anything starts it.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>

#include <archive.h>
#include <archive_entry.h>

#include <vector>

namespace compactados {

// A tar.gz holding one file.
inline QByteArray tarGz(const char *nome, const QByteArray &conteudo)
{
    struct archive *a = archive_write_new();
    archive_write_set_format_pax_restricted(a);
    archive_write_add_filter_gzip(a);
    std::vector<char> memoria(static_cast<size_t>(conteudo.size()) + (1 << 16));
    size_t usado = 0;
    archive_write_open_memory(a, memoria.data(), memoria.size(), &usado);
    struct archive_entry *e = archive_entry_new();
    archive_entry_set_pathname(e, nome);
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, conteudo.size());
    archive_write_header(a, e);
    archive_entry_free(e);
    archive_write_data(a, conteudo.constData(), static_cast<size_t>(conteudo.size()));
    archive_write_close(a);
    archive_write_free(a);
    return QByteArray(memoria.data(), static_cast<qsizetype>(usado));
}

// lzop's signature followed by filler.
inline QByteArray comoLzop() { return QByteArray("\x89LZO\x00\r\n\x1a\n", 9) + QByteArray(2000, 'x'); }

// This environment with a shell-script "lzop" first on the path; it creates
// `marca` when run.
inline QProcessEnvironment comLzopFalso(const QString &pasta, const QString &marca)
{
    QDir().mkpath(pasta);
    QFile lzop(QDir(pasta).filePath("lzop"));
    if (lzop.open(QIODevice::WriteOnly))
        lzop.write("#!/bin/sh\ntouch '" + QFile::encodeName(marca) + "'\ncat\n");
    lzop.close();
    lzop.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert("PATH", pasta + ":" + ambiente.value("PATH"));
    return ambiente;
}

} // namespace compactados
