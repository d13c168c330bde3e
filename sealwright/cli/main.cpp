// sealwright: make keys, seal documents, open them.
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include <flatdom/version.h>

#include "io.h"
#include "keys.h"
#include "paths.h"
#include "text.h"

namespace {

#include "usage.h"  // kUsage, from usage.txt

int Usage(int status) {
    (status == 0 ? std::cout : std::cerr) << kUsage;
    std::cout.flush();
    return status;
}

// A usage error: what is wrong, then how the command is used.
int Misused(const std::string& what) {
    std::cerr << "sealwright: " << what << "\n\n";
    return Usage(2);
}

// An argument that no command takes at its place.
std::string Unexpected(const std::string& argument) {
    const bool option = argument.size() > 2 && argument.compare(0, 2, "--") == 0;
    return (option ? "unknown option " : "unexpected argument ") + argument;
}

int Fail(const std::string& message) {
    std::cerr << "sealwright: " << message << "\n";
    return 1;
}

// A key that is wiped when the scope ends, however it ends.
struct ScopedKey {
    sealwright::Key key;
    ~ScopedKey() { sealwright::Wipe(key.data(), key.size()); }
};

int Keygen(int argc, char** argv) {
    const bool out = argc > 0 && std::strcmp(argv[0], "--out") == 0;
    if (out && argc == 1) return Misused("--out needs a value");
    if (argc != 0 && !(out && argc == 2)) return Misused(Unexpected(argv[out ? 2 : 0]));
    ScopedKey key;
    if (!sealwright::GenerateKey(key.key)) return Fail("no random bytes from the system");
    char line[65];
    sealwright::FormatKey(key.key, line);
    line[64] = '\n';
    try {
        // A key's folders are as private as the key (~/.config on a new home).
        if (argc == 2) cli::MakeFolders(argv[1]);
        cli::WriteOutput(argc == 0 ? "-" : argv[1], line, sizeof line, cli::Create::kExclusive);
    } catch (...) {
        sealwright::Wipe(line, sizeof line);
        throw;
    }
    sealwright::Wipe(line, sizeof line);
    return 0;
}

int SealOrOpen(bool seal, int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0 && argv[i][2]) return Misused(Unexpected(argv[i]));
    }
    if (argc > 2) return Misused(Unexpected(argv[2]));
    if (seal && argc < 2) {
        return Misused(argc == 0 ? "seal needs INPUT and OUTPUT"
                                 : "seal needs INPUT and OUTPUT: OUTPUT is missing");
    }
    if (argc == 0) return Misused("open needs INPUT");
    ScopedKey key;
    std::string why, warning;
    if (!sealwright::KeyFromEnvironment(key.key, &why, &warning)) return Fail(why);
    if (!warning.empty()) std::cerr << "sealwright: warning: " << warning << "\n";
    const std::string input = argv[0];
    const std::string output = argc == 2 ? argv[1] : "-";

    cli::SecretBytes in;  // plain text when sealing
    if (seal) {
        cli::ReadInput(input, in, sealwright::kMaxPayload, "a document that can be sealed");
    } else {
        cli::ReadInput(input, in, sealwright::kMaxSealedFile, "a sealed file can be");
    }
    if (seal) {
        // What is sealed must open: the text that DecryptXmlFile can decode.
        std::wstring text;
        const bool decodes = sealwright::DecodeText(in.Get(), text);
        sealwright::Wipe(text.data(), text.size() * sizeof(wchar_t));
        if (!decodes) {
            return Fail(input + " is neither UTF-8 nor UTF-16 with a byte-order mark " +
                        "(convert it first, for instance with iconv)");
        }
        const sealwright::Bytes sealed = sealwright::Seal(key.key, in.Get());
        if (sealed.empty()) return Fail("sealing failed");
        cli::WriteOutput(output, sealed.data(), sealed.size(), cli::Create::kReplace);
        return 0;
    }
    cli::SecretBytes plain;
    if (!sealwright::Open(key.key, in.Get(), plain.Get())) {
        return Fail(input + " is not sealed with this key, or was changed since");
    }
    cli::WriteOutput(output, plain.Get().data(), plain.Get().size(), cli::Create::kPrivate);
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2) return Misused("no command given");
    const std::string command = argv[1];
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Usage(0);
    }
    if (command == "help") return Usage(0);
    if (command == "--version") {
        std::cout << "sealwright " FLATDOM_VERSION_STRING "\n";
        return 0;
    }
    if (command == "keygen") return Keygen(argc - 2, argv + 2);
    if (command == "seal") return SealOrOpen(true, argc - 2, argv + 2);
    if (command == "open") return SealOrOpen(false, argc - 2, argv + 2);
    return Misused("unknown command " + command);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const int status = Run(argc, argv);
        if (std::cout.bad()) return Fail("standard output could not be written");
        return status;
    } catch (const cli::IoError& error) {
        return Fail(error.what());
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory");
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
