#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace lumenor {

// The file handling shared by the record stores. Every failure is quiet.

// Creates the folder with any missing parents; a failure is ignored.
void ensureFolder(const QString& directory);

// One JSON object read from the whole file; none for a missing or unreadable file,
// malformed JSON or a value other than an object.
std::optional<QJsonObject> readRecordFile(const QString& path);

// Writes the object compactly; the new content replaces the old whole or not at all.
bool writeRecordFile(const QString& path, const QJsonObject& object);

// Removes the file; false when it could not be removed or was not there.
bool removeRecordFile(const QString& path);

// One record type in one file, for a record with toJson() and a static fromJson(). The
// folder is created, parents included, when the file is set up. Nothing is cached.
template <typename Record>
class RecordFile {
  public:
    RecordFile(const QString& directory, const QString& fileName)
        : path_(directory + QLatin1Char('/') + fileName) {
        ensureFolder(directory);
    }
    const QString& path() const { return path_; }
    std::optional<Record> load() const {
        const std::optional<QJsonObject> object = readRecordFile(path_);
        return object ? Record::fromJson(*object) : std::nullopt;
    }
    bool save(const Record& record) const { return writeRecordFile(path_, record.toJson()); }
    bool remove() const { return removeRecordFile(path_); }

  private:
    QString path_;
};

}  // namespace lumenor
