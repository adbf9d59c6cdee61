// What the fuzz targets share: a check that ends the run with its reason, scratch folders removed by the bytes
// of their names, a listing of what a folder holds, and waiting on the event loop with a deadline.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// A broken promise of the code under test: say which and abort, so that libFuzzer keeps the input.
#define HY_FUZZ_CHECK(condition)                                                                                       \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            hy::fuzz::Fail(#condition, __FILE__, __LINE__);                                                            \
    } while (false)

// The target's LLVMFuzzerInitialize: the process prepared, and an application object of the kind the code under
// test needs (QCoreApplication, QGuiApplication).
#define HY_FUZZ_APPLICATION(App)                                                                                       \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)                                                       \
    {                                                                                                                  \
        hy::fuzz::PrepareProcess();                                                                                    \
        static App app(*argc, *argv);                                                                                  \
        return 0;                                                                                                      \
    }

namespace hy::fuzz {

[[noreturn]] void Fail(const char* what, const char* file, int line);

// Gives the process a private runtime folder (the sockets of the single instance and the command interface)
// when it has none, the offscreen platform, a usual file creation mask, and quiets Qt's messages about the
// inputs.
void PrepareProcess();

// A fresh folder in the temporary folder, removed with everything in it (whatever bytes its names hold).
class TScratch {
public:
    TScratch();
    ~TScratch();
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;

    const QByteArray& Path() const { return m_path; }
    QString Name() const; // the path as a name inside the program
    // Writes bytes to a file of the folder; the file's name inside the program.
    QString Write(const char* name, const uint8_t* data, size_t size) const;

private:
    QByteArray m_path;
};

struct TTreeEntry {
    QByteArray Path; // below the folder listed, "/" between parts
    bool IsLink = false;
    bool IsFolder = false;
    bool IsFile = false; // a regular file
};
// Everything below a folder, links not followed, in no particular order.
std::vector<TTreeEntry> ListTree(const QByteArray& folder);

// After extracting the archive input (a file of the scratch folder) into its folder "out": nothing lies outside
// that folder, nothing is a link, a device or a FIFO, no setuid or setgid bit is kept, and no temporary file whose
// name starts with temporaryPrefix is left.
void CheckExtracted(const TScratch& scratch, const QByteArray& input, const QByteArray& temporaryPrefix);

// Lets events through until done says yes or ms pass; done's last answer.
bool RunEventsUntil(const std::function<bool()>& done, int ms);

// The inputs' bytes taken apart: numbers and byte runs from the front, the rest as it stands.
class TInput {
public:
    TInput(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint32_t Number(uint32_t below) // 0 .. below - 1
    {
        const uint32_t value = uint32_t(Byte()) << 8 | Byte();
        return below ? value % below : 0;
    }
    QByteArray Rest() const
    {
        return QByteArray(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(m_size - m_pos));
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace hy::fuzz
