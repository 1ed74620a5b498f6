#include "platform/ZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <memory>

namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceFreer {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using EntryFile = std::unique_ptr<zip_file_t, FileCloser>;
using Source = std::unique_ptr<zip_source_t, SourceFreer>;

QString ErrorText(zip_error_t* error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}

// Broken data of one entry, as against an archive that cannot be read.
bool IsDamage(int code)
{
    switch (code) {
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_READ:
    case ZIP_ER_EOF:
        return true;
    default:
        return false;
    }
}

ZipContents::Failure FailureOf(int code)
{
    switch (code) {
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return ZipContents::Failure::Unsupported;
    default:
        return ZipContents::Failure::NotZip;
    }
}

} // namespace

std::optional<QByteArray> ZipContents::Find(const QString& name) const
{
    for (const ZipEntry& entry : m_entries) {
        if (entry.m_strName == name)
            return entry.m_data;
    }
    return std::nullopt;
}

bool IsSafeZipEntryName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'/'))
        return false;
    for (QChar c : name) {
        // A backslash is a separator on some systems, a colon names a drive
        // or a stream on one of them.
        if (c == u'\\' || c == u':' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    for (const QString& part : name.split(u'/')) {
        if (part == u"..")
            return false;
    }
    return true;
}

std::optional<QByteArray> MakeZipArchive(const QList<ZipEntry>& entries, qint64 time,
                                         QString& error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    const auto fail = [&](const QString& reason) -> std::optional<QByteArray> {
        error = reason;
        zip_error_fini(&zipError);
        return std::nullopt;
    };
    Source buffer(zip_source_buffer_create(nullptr, 0, 0, &zipError));
    if (!buffer)
        return fail(ErrorText(&zipError));
    Archive archive(zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &zipError));
    if (!archive)
        return fail(ErrorText(&zipError));
    // The archive takes the buffer over; the buffer must outlive it, to be
    // read back once the archive is written into it.
    zip_source_keep(buffer.get());
    for (const ZipEntry& entry : entries) {
        zip_source_t* data =
            zip_source_buffer(archive.get(), entry.m_data.constData(), entry.m_data.size(), 0);
        if (!data)
            return fail(ErrorText(zip_get_error(archive.get())));
        const zip_int64_t index = zip_file_add(archive.get(), entry.m_strName.toUtf8().constData(),
                                               data, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(data);
            return fail(ErrorText(zip_get_error(archive.get())));
        }
        if (zip_set_file_compression(archive.get(), zip_uint64_t(index), ZIP_CM_DEFLATE, 9) < 0 ||
            zip_file_set_mtime(archive.get(), zip_uint64_t(index), time_t(time), 0) < 0)
            return fail(ErrorText(zip_get_error(archive.get())));
    }
    // zip_close frees the archive only when it succeeds.
    if (zip_close(archive.get()) < 0)
        return fail(ErrorText(zip_get_error(archive.get())));
    archive.release();

    QByteArray bytes;
    if (zip_source_open(buffer.get()) < 0)
        return fail(ErrorText(zip_source_error(buffer.get())));
    zip_source_seek(buffer.get(), 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(buffer.get());
    zip_source_seek(buffer.get(), 0, SEEK_SET);
    if (size < 0) {
        zip_source_close(buffer.get());
        return fail(ErrorText(zip_source_error(buffer.get())));
    }
    bytes.resize(size);
    const zip_int64_t read = zip_source_read(buffer.get(), bytes.data(), zip_uint64_t(size));
    zip_source_close(buffer.get());
    if (read != size)
        return fail(ErrorText(zip_source_error(buffer.get())));
    zip_error_fini(&zipError);
    return bytes;
}

ZipContents ReadZipArchive(QByteArrayView bytes, const ZipLimits& limits)
{
    ZipContents contents;
    const auto fail = [&](ZipContents::Failure failure, const QString& entry = QString()) {
        contents.m_failure = failure;
        contents.m_strEntry = entry;
        contents.m_entries.clear();
        contents.m_damaged.clear();
        return contents;
    };
    if (bytes.isEmpty())
        return fail(ZipContents::Failure::NotZip);
    zip_error_t zipError;
    zip_error_init(&zipError);
    Source source(zip_source_buffer_create(bytes.data(), zip_uint64_t(bytes.size()), 0, &zipError));
    if (!source) {
        zip_error_fini(&zipError);
        return fail(ZipContents::Failure::NotZip);
    }
    Archive archive(zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, &zipError));
    const int openError = zip_error_code_zip(&zipError);
    zip_error_fini(&zipError);
    if (!archive)
        return fail(FailureOf(openError == ZIP_ER_OK ? ZIP_ER_NOZIP : openError));
    // The archive holds the source from here on.
    source.release();

    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0)
        return fail(ZipContents::Failure::NotZip);
    if (count > limits.m_nMaxEntries)
        return fail(ZipContents::Failure::TooManyEntries);
    qint64 total = 0;
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), zip_uint64_t(index), 0, &stat) < 0 || !stat.name)
            return fail(ZipContents::Failure::NotZip);
        const QString name = QString::fromUtf8(stat.name);
        if (name.endsWith(u'/')) {
            if (!IsSafeZipEntryName(name.chopped(1)))
                return fail(ZipContents::Failure::UnsafePath, name);
            continue; // a folder
        }
        if (!IsSafeZipEntryName(name))
            return fail(ZipContents::Failure::UnsafePath, name);
        for (const ZipEntry& earlier : std::as_const(contents.m_entries)) {
            if (earlier.m_strName == name)
                return fail(ZipContents::Failure::NotZip, name);
        }
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            return fail(ZipContents::Failure::Unsupported, name);
        // The directory's word on the size is checked first, and the data
        // as it comes out again: a crafted directory may understate it.
        const qint64 room = std::min(limits.m_nMaxEntrySize, limits.m_nMaxTotalSize - total);
        if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(room))
            return fail(ZipContents::Failure::TooLarge, name);
        EntryFile file(zip_fopen_index(archive.get(), zip_uint64_t(index), 0));
        int entryError = file ? ZIP_ER_OK : zip_error_code_zip(zip_get_error(archive.get()));
        QByteArray data;
        char chunk[1 << 16];
        while (file) {
            const zip_int64_t got = zip_fread(file.get(), chunk, sizeof chunk);
            if (got < 0) {
                entryError = zip_error_code_zip(zip_file_get_error(file.get()));
                break;
            }
            if (got == 0)
                break;
            if (data.size() + got > room)
                return fail(ZipContents::Failure::TooLarge, name);
            data.append(chunk, got);
        }
        // One broken entry leaves the others readable.
        if (IsDamage(entryError)) {
            contents.m_damaged.append(name);
            continue;
        }
        if (entryError != ZIP_ER_OK)
            return fail(FailureOf(entryError), name);
        total += data.size();
        contents.m_entries.append({name, data});
    }
    return contents;
}
