// SPDX-License-Identifier: BSD-3-Clause
#include "app/RunReport.h"

#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("RunReport", text);
}

const char* ReaderReason(VornError error) {
    switch (error) {
    case VornError::None:
        break;
    case VornError::CannotOpen:
        return QT_TRANSLATE_NOOP("RunReport", "cannot open file");
    case VornError::ShortHeader:
        return QT_TRANSLATE_NOOP("RunReport", "file too short for a VORN header");
    case VornError::BadMagic:
        return QT_TRANSLATE_NOOP("RunReport", "not a VORN recording");
    case VornError::BadChunkCount:
        return QT_TRANSLATE_NOOP("RunReport", "chunk count out of range");
    case VornError::BadChunkPosition:
        return QT_TRANSLATE_NOOP("RunReport", "chunk position out of range");
    case VornError::MissingGenp:
        return QT_TRANSLATE_NOOP("RunReport", "missing GENP chunk");
    case VornError::MissingPlay:
        return QT_TRANSLATE_NOOP("RunReport", "missing PLAY chunk");
    case VornError::MissingFszp:
        return QT_TRANSLATE_NOOP("RunReport", "missing FSZP chunk");
    case VornError::MissingFram:
        return QT_TRANSLATE_NOOP("RunReport", "missing FRAM chunk");
    case VornError::ShortGenp:
        return QT_TRANSLATE_NOOP("RunReport", "GENP chunk cut short");
    case VornError::ShortPlay:
        return QT_TRANSLATE_NOOP("RunReport", "PLAY chunk cut short");
    case VornError::ShortFszp:
        return QT_TRANSLATE_NOOP("RunReport", "FSZP chunk cut short");
    case VornError::BadFrameSize:
        return QT_TRANSLATE_NOOP("RunReport", "frame width or height not positive");
    case VornError::BadFrameCount:
        return QT_TRANSLATE_NOOP("RunReport", "frame count out of range");
    case VornError::StrideTooSmall:
        return QT_TRANSLATE_NOOP("RunReport", "frame stride smaller than a packed frame");
    case VornError::BadQuadrantGeometry:
        return QT_TRANSLATE_NOOP("RunReport", "frame size unusable in quadrant order");
    case VornError::OutOfMemory:
        return QT_TRANSLATE_NOOP("RunReport", "out of memory for the correction maps");
    case VornError::NotRegularFile:
        return QT_TRANSLATE_NOOP("RunReport", "not a regular file");
    }
    return nullptr;
}

const char* CorrectionReason(CorrectionNote note) {
    switch (note) {
    case CorrectionNote::UnknownKind:
        return QT_TRANSLATE_NOOP("RunReport", "unknown correction kind");
    case CorrectionNote::ShortChunk:
        return QT_TRANSLATE_NOOP("RunReport", "correction header cut short");
    case CorrectionNote::ShortImage:
        return QT_TRANSLATE_NOOP("RunReport", "correction data cut short");
    case CorrectionNote::MapsTooSmall:
        return QT_TRANSLATE_NOOP("RunReport", "maps smaller than the frame");
    case CorrectionNote::BadMapSize:
        return QT_TRANSLATE_NOOP("RunReport", "map width or height not positive");
    case CorrectionNote::None:
    case CorrectionNote::NoChunk:
    case CorrectionNote::NotRequested:
        break;
    }
    return nullptr;
}

// System errors a user meets when opening recordings or writing files.
struct ErrnoReason {
    int code;
    const char* text;
};
constexpr ErrnoReason kErrnoReasons[] = {
    {ENOENT, QT_TRANSLATE_NOOP("RunReport", "no such file or folder")},
    {EACCES, QT_TRANSLATE_NOOP("RunReport", "permission denied")},
    {EPERM, QT_TRANSLATE_NOOP("RunReport", "permission denied")},
    {EISDIR, QT_TRANSLATE_NOOP("RunReport", "it is a folder")},
    {ENOTDIR, QT_TRANSLATE_NOOP("RunReport", "a part of the path is not a folder")},
    {ENOSPC, QT_TRANSLATE_NOOP("RunReport", "disk full")},
    {EDQUOT, QT_TRANSLATE_NOOP("RunReport", "disk quota exceeded")},
    {EROFS, QT_TRANSLATE_NOOP("RunReport", "read-only file system")},
    {EFBIG, QT_TRANSLATE_NOOP("RunReport", "file too large")},
    {EIO, QT_TRANSLATE_NOOP("RunReport", "input/output error")},
    {ENAMETOOLONG, QT_TRANSLATE_NOOP("RunReport", "file name too long")},
    {ELOOP, QT_TRANSLATE_NOOP("RunReport", "too many symbolic links")},
    {EMFILE, QT_TRANSLATE_NOOP("RunReport", "too many open files")},
    {ENXIO, QT_TRANSLATE_NOOP("RunReport", "no such device")},
    {ETXTBSY, QT_TRANSLATE_NOOP("RunReport", "file busy")},
    {EBUSY, QT_TRANSLATE_NOOP("RunReport", "file busy")},
    {ENOMEM, QT_TRANSLATE_NOOP("RunReport", "out of memory")},
};

// Refusals the document words itself.
constexpr const char* kDocumentReasons[] = {
    QT_TRANSLATE_NOOP("RunReport", "file too short for its frame size"),
    QT_TRANSLATE_NOOP("RunReport", "frame size not supported"),
    QT_TRANSLATE_NOOP("RunReport", "out of memory"),
    QT_TRANSLATE_NOOP("RunReport", "not a readable recording"),
};

QString ErrnoReasonText(int code) {
    for (const ErrnoReason& reason : kErrnoReasons) {
        if (reason.code == code)
            return Tr(reason.text);
    }
    return TranslatedReason(std::error_code(code, std::generic_category()).message());
}

// Why `file` could not be written: the folder first, then the system's error.
QString WriteFailureReason(const std::string& file, int error) {
    const QFileInfo target(QFile::decodeName(QByteArray::fromStdString(file)));
    const QString folder = QDir::toNativeSeparators(target.absolutePath());
    const QFileInfo folderInfo(target.absolutePath());
    if (!folderInfo.exists())
        return Tr(QT_TRANSLATE_NOOP("RunReport", "the folder %1 does not exist")).arg(folder);
    if (!folderInfo.isDir())
        return Tr(QT_TRANSLATE_NOOP("RunReport", "%1 is not a folder")).arg(folder);
    if (target.isDir())
        return Tr(QT_TRANSLATE_NOOP("RunReport", "a folder has that name"));
    // A FIFO, socket or device at the name is refused (a link is replaced).
    if (!target.isSymLink() && target.exists() && !target.isFile())
        return Tr(QT_TRANSLATE_NOOP("RunReport", "not a regular file"));
    if (error == 0)
        return Tr(QT_TRANSLATE_NOOP("RunReport", "write error"));
    return ErrnoReasonText(error);
}

// True when the recording file ends before frame `index` does.
bool FileEndsInside(const VornReader& reader, int index) {
    const int64_t end = int64_t{reader.framPos} + (int64_t{index} + 1) * reader.frameBytes;
    return reader.file.Size() < end;
}

} // namespace

QString TranslatedReason(const std::string& englishReason) {
    for (int code = static_cast<int>(VornError::CannotOpen);
         code <= static_cast<int>(VornError::NotRegularFile); ++code) {
        const auto error = static_cast<VornError>(code);
        if (englishReason == VornErrorText(error))
            return Tr(ReaderReason(error));
    }
    for (const char* reason : kDocumentReasons) {
        if (englishReason == reason)
            return Tr(reason);
    }
    for (const ErrnoReason& reason : kErrnoReasons) {
        if (englishReason == std::error_code(reason.code, std::generic_category()).message())
            return Tr(reason.text);
    }
    return QString::fromStdString(englishReason);
}

QString RunStoppedLine(const CVornDoc& doc, int frame, const std::string& file) {
    QString reason;
    switch (doc.GetRenderError()) {
    case RenderError::SaveFailed:
        reason =
            Tr(QT_TRANSLATE_NOOP("RunReport", "cannot write %1 (%2)"))
                .arg(QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(file))),
                     WriteFailureReason(file, doc.GetSaveErrno()));
        break;
    case RenderError::ShortFrame:
        reason = doc.m_pReader && FileEndsInside(*doc.m_pReader, frame)
                     ? Tr(QT_TRANSLATE_NOOP("RunReport", "the file ends inside this frame"))
                     : Tr(QT_TRANSLATE_NOOP("RunReport", "the frame cannot be read"));
        break;
    case RenderError::Refused:
    case RenderError::None:
        reason = Tr(QT_TRANSLATE_NOOP("RunReport", "the recording has frames 0 to %1"))
                     .arg(doc.m_nFrameCount - 1);
        break;
    }
    return Tr(QT_TRANSLATE_NOOP("RunReport", "Stopped at frame %1: %2")).arg(frame).arg(reason);
}

QString ConversionDoneLine(int files, const QString& folder) {
    if (files == 1)
        return Tr(QT_TRANSLATE_NOOP("RunReport", "Wrote 1 file to %1")).arg(folder);
    return Tr(QT_TRANSLATE_NOOP("RunReport", "Wrote %1 files to %2")).arg(files).arg(folder);
}

QString RunAbortedLine(int lastFrame) {
    return Tr(QT_TRANSLATE_NOOP("RunReport", "Aborted after frame %1")).arg(lastFrame);
}

QString UnreadableFrameLine(const CVornDoc& doc, int frame) {
    return (doc.m_pReader && FileEndsInside(*doc.m_pReader, frame)
                ? Tr(QT_TRANSLATE_NOOP("RunReport", "Frame %1 cannot be read: the file ends "
                                                    "inside it"))
                : Tr(QT_TRANSLATE_NOOP("RunReport", "Frame %1 cannot be read")))
        .arg(frame);
}

QString OpenNotesLine(const CVornDoc& doc) {
    if (!doc.m_pReader)
        return QString();
    QStringList notes;
    if (doc.m_pReader->currentFrame != 0)
        notes << UnreadableFrameLine(doc, 0);
    if (const char* why = CorrectionReason(doc.m_pReader->correctionNote)) {
        notes << Tr(QT_TRANSLATE_NOOP("RunReport", "Fixed-pattern correction not applied: %1"))
                     .arg(Tr(why));
    }
    return notes.join(Tr(QT_TRANSLATE_NOOP("RunReport", "; ")));
}
