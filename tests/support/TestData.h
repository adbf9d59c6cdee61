// Where the tests find the files kept in the repository (fixtures under tests/data, seeds, resources).
#pragma once

#include <QString>

QString TestDataPath(const QString& relative);
QString SourcePath(const QString& relative);
