// sealwright: make keys, seal documents, open them.
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>

#include <shellapi.h>

#include <common/utf8.h>
#endif

#include <common/not_dumpable.h>
#include <flatdom/version.h>

#include "io.h"
#include "keys.h"
#include "secret_memory.h"
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

using Arguments = std::vector<std::string>;

int Keygen(const Arguments& args) {
    const bool out = !args.empty() && args[0] == "--out";
    if (out && args.size() == 1) return Misused("--out needs a value");
    if (!args.empty() && !(out && args.size() == 2)) return Misused(Unexpected(args[out ? 2 : 0]));
    sealwright::SecretKey key;
    if (!sealwright::GenerateKey(key.get())) return Fail("no random bytes from the system");
    sealwright::SecretBytes line(65);
    sealwright::FormatKey(key.get(), reinterpret_cast<char*>(line.data()));
    line[64] = '\n';
    // A key's folders are as private as the key (~/.config on a new home).
    cli::WriteOutput(args.empty() ? "-" : args[1], line.data(), line.size(),
                     cli::Create::kExclusive);
    return 0;
}

int SealOrOpen(bool seal, const Arguments& args) {
    for (const std::string& arg : args) {
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) return Misused(Unexpected(arg));
    }
    if (args.size() > 2) return Misused(Unexpected(args[2]));
    if (seal && args.size() < 2) {
        return Misused(args.empty() ? "seal needs INPUT and OUTPUT"
                                    : "seal needs INPUT and OUTPUT: OUTPUT is missing");
    }
    if (args.empty()) return Misused("open needs INPUT");
    sealwright::SecretKey key;
    std::string why, warning;
    if (!sealwright::KeyFromEnvironment(key.get(), &why, &warning)) return Fail(why);
    if (!warning.empty()) std::cerr << "sealwright: warning: " << warning << "\n";
    const std::string& input = args[0];
    const std::string output = args.size() == 2 ? args[1] : "-";

    sealwright::SecretBytes in;  // plain text when sealing; opened where it is
    if (seal) {
        cli::ReadInput(input, in, sealwright::kMaxPayload, "a document that can be sealed");
    } else {
        cli::ReadInput(input, in, sealwright::kMaxSealedFile, "a sealed file can be");
    }
    const bool sealed = sealwright::HasSealedHeader(in.data(), in.size());
    if (seal) {
        if (sealed) return Fail(input + " is already sealed; it is not sealed twice");
        // What is sealed must open: the text that DecryptXmlFile can decode.
        sealwright::SecretText text;
        if (!sealwright::DecodeText(in.data(), in.size(), text)) {
            return Fail(input + " is neither UTF-8 nor UTF-16 with a byte-order mark " +
                        "(convert it first, for instance with iconv)");
        }
        const sealwright::Bytes result = sealwright::Seal(key.get(), in.data(), in.size());
        if (result.empty()) return Fail("sealing failed");
        cli::WriteOutput(output, result.data(), result.size(), cli::Create::kReplace);
        return 0;
    }
    if (!sealed) return Fail(input + " is not a sealed file");
    std::size_t size = 0;
    if (!sealwright::OpenInPlace(key.get(), in.data(), in.size(), size)) {
        return Fail(input + " is not sealed with this key, or was changed since");
    }
    cli::WriteOutput(output, in.data() + sealwright::kHeaderSize, size, cli::Create::kPrivate);
    return 0;
}

int Run(const Arguments& argv) {
    if (argv.empty()) return Misused("no command given");
    const std::string& command = argv[0];
    for (const std::string& arg : argv) {
        if (arg == "--help" || arg == "-h") return Usage(0);
    }
    if (command == "help") return Usage(0);
    if (command == "--version") {
        std::cout << "sealwright " FLATDOM_VERSION_STRING "\n";
        return 0;
    }
    const Arguments rest(argv.begin() + 1, argv.end());
    if (command == "keygen") return Keygen(rest);
    if (command == "seal") return SealOrOpen(true, rest);
    if (command == "open") return SealOrOpen(false, rest);
    return Misused("unknown command " + command);
}

// The command line. On Windows the wide one, as UTF-8: the narrow one is the
// system's best fit of it, in which a name may lead elsewhere (a full-width
// solidus becomes a separator). False for an argument that UTF-8 cannot
// hold (a lone surrogate), which names no file.
bool CommandLine(int argc, char** argv, Arguments& arguments) {
#if defined(_WIN32)
    (void)argc, (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return false;
    bool ok = true;
    for (int i = 1; i < count; ++i) {
        const std::size_t length = std::wcslen(wide[i]);
        arguments.push_back(utf8::FromWide(wide[i], length));
        std::wstring back;
        ok = ok &&
             utf8::ToWide(arguments.back().data(), arguments.back().size(), back,
                          utf8::Invalid::kRefuse) &&
             back == std::wstring(wide[i], length);
    }
    LocalFree(wide);
    return ok;
#else
    arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    MakeNotDumpable();
    try {
        Arguments arguments;
        if (!CommandLine(argc, argv, arguments)) {
            return Fail("an argument is not text that names a file (a lone surrogate)");
        }
        const int status = Run(arguments);
        if (std::cout.bad()) return Fail("standard output could not be written");
        return status;
    } catch (const cli::IoError& error) {
        return Fail(error.what());
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory");
    } catch (const std::length_error&) {  // more than a container can hold
        return Fail("not enough memory");
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
