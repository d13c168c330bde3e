// sealwright: make keys, seal documents, open them.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "format.h"

namespace {

const char kUsage[] =
    "usage: sealwright keygen [--out FILE]\n"
    "       sealwright seal INPUT OUTPUT\n"
    "       sealwright open INPUT [OUTPUT]\n"
    "\n"
    "keygen  prints a new random key (64 hex digits), or writes it to FILE\n"
    "        readable by its owner only\n"
    "seal    seals the document INPUT into OUTPUT\n"
    "open    writes the document sealed in INPUT to OUTPUT or standard output\n"
    "\n"
    "The key comes from SEALWRIGHT_KEY (64 hex digits) or from the file that\n"
    "SEALWRIGHT_KEY_FILE names.\n";

int Usage(int status) {
    (status == 0 ? std::cout : std::cerr) << kUsage;
    return status;
}

int Fail(const std::string& message) {
    std::cerr << "sealwright: " << message << "\n";
    return 1;
}

bool ReadFile(const std::string& path, sealwright::Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const sealwright::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WritePrivateFile(const std::string& path, const std::string& text) {
#if defined(_WIN32)
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    const bool ok = fchmod(fd, 0600) == 0 &&
                    write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && ok;
#endif
}

int Keygen(int argc, char** argv) {
    if (argc != 0 && !(argc == 2 && std::strcmp(argv[0], "--out") == 0)) return Usage(2);
    sealwright::Key key;
    if (!sealwright::GenerateKey(key)) return Fail("no random bytes from the system");
    const std::string hex = sealwright::FormatKey(key) + "\n";
    sealwright::Wipe(key.data(), key.size());
    if (argc == 0) {
        std::cout << hex;
        return 0;
    }
    return WritePrivateFile(argv[1], hex) ? 0 : Fail(std::string("cannot write ") + argv[1]);
}

int SealOrOpen(bool seal, int argc, char** argv) {
    if (argc != 2 && !(argc == 1 && !seal)) return Usage(2);
    sealwright::Key key;
    std::string why;
    if (!sealwright::KeyFromEnvironment(key, &why)) return Fail(why);
    sealwright::Bytes input;
    if (!ReadFile(argv[0], input)) return Fail(std::string("cannot read ") + argv[0]);
    sealwright::Bytes output;
    if (seal) {
        output = sealwright::Seal(key, input);
        if (output.empty()) return Fail("sealing failed");
    } else if (!sealwright::Open(key, input, output)) {
        return Fail(std::string(argv[0]) + " is not sealed with this key, or was changed");
    }
    sealwright::Wipe(key.data(), key.size());
    if (argc == 1) {
        std::cout.write(reinterpret_cast<const char*>(output.data()),
                        static_cast<std::streamsize>(output.size()));
        return std::cout ? 0 : 1;
    }
    return WriteFile(argv[1], output) ? 0 : Fail(std::string("cannot write ") + argv[1]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage(2);
    const std::string command = argv[1];
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Usage(0);
    }
    if (command == "keygen") return Keygen(argc - 2, argv + 2);
    if (command == "seal") return SealOrOpen(true, argc - 2, argv + 2);
    if (command == "open") return SealOrOpen(false, argc - 2, argv + 2);
    return Usage(2);
}
