// The source folder is compiled into this one file only, so every other object stays the same across
// build folders and work trees.
#include "support/TestData.h"

QString TestDataPath(const QString& relative) { return QStringLiteral(HY_SOURCE_DIR "/tests/data/") + relative; }

QString SourcePath(const QString& relative) { return QStringLiteral(HY_SOURCE_DIR "/") + relative; }
