// A FILE argument as a path the library can open twice (once to look for a
// seal, once to read): "-" (standard input) and anything that is not a
// regular file (a FIFO, a pipe) are first copied into a private temporary
// file, which goes when the InputFile does.
#ifndef FLATDOM_TOOLS_INPUT_FILE_H
#define FLATDOM_TOOLS_INPUT_FILE_H

#include <string>

class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False, with the system's reason in why, when argument names nothing
    // readable; Path() is then the argument, for the library to report.
    bool Open(const std::wstring& argument, std::wstring& why);
    const std::wstring& Path() const { return m_path; }

  private:
    std::wstring m_path;
    std::string m_copy;  // the temporary copy's name, if there is one
};

#endif
