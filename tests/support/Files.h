#pragma once

// Whole files in and out, for tests that check what was written or give a file to read.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace testing_support {

// The file's bytes; empty when it cannot be read.
inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

} // namespace testing_support
