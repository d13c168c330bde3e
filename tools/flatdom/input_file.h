// A FILE argument as a path the library can open twice (once to look for a
// seal, once to read). "-" (standard input) and anything that is not a
// regular file (a FIFO, a pipe) are first copied whole, 1 GiB at most, where
// no name on disk shows them: on Linux into a file that never has a name (an
// anonymous one, else an unnamed one in the temporary folder), which the
// library opens as /proc/self/fd/N; on Windows into memory, wiped when it
// goes, which a named pipe of this process that only its user may open serves
// to each reader at the reader's own pace.
#ifndef FLATDOM_TOOLS_INPUT_FILE_H
#define FLATDOM_TOOLS_INPUT_FILE_H

#include <memory>
#include <string>

class InputFile {
  public:
    InputFile();
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False, with the reason in why, when argument names nothing to read
    // (missing, a folder) or its copy failed: there is then nothing to load.
    // bytes, on Linux: the name as the system gave it, where it is no UTF-8
    // (argument then holds U+FFFD in its place); such a file is held open
    // and the library reads it as /proc/self/fd/N.
    bool Open(const std::wstring& argument, std::wstring& why, const std::string& bytes = {});
    // What to hand LoadXmlDocument.
    const std::wstring& Path() const { return m_path; }
    // The library has read the document: a copy goes now, and Path() with it.
    void Loaded();

  private:
    struct Copy;
    std::wstring m_path;
    std::unique_ptr<Copy> m_copy;
};

#endif
