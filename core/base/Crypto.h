#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/FileReader.h"

namespace brimly {

// Digests, Base64 and signature checks through OpenSSL's libcrypto.
namespace Crypto {

using Digest = std::array<std::uint8_t, 32>;

Digest sha256(std::string_view bytes);
std::string hex(const Digest& digest);
// Lower-case hexadecimal SHA-256 of `bytes`.
std::string sha256Hex(std::string_view bytes);

// SHA-256 of bytes that arrive in pieces, such as a file read a block at a time.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(std::string_view bytes);
    // Lower-case hexadecimal digest of everything given so far; the value is spent afterwards.
    std::string finalHex();

private:
    struct Context;
    Context* m_context;
};

// Lower-case hexadecimal SHA-256 of an open file's content, read a block at a time; nothing when reading
// fails.
std::optional<std::string> sha256HexOf(const FileReader& file);
// The same for the regular file at `path`.
std::optional<std::string> sha256HexOfFile(const std::string& path);

// Standard Base64 with padding; surrounding white space and line breaks inside are tolerated. Invalid text
// gives nothing.
std::optional<std::string> base64Decode(std::string_view text);
std::string base64Encode(std::string_view bytes);

// Ed25519 over the whole `message` with a 32-byte raw public key and a 64-byte signature.
bool ed25519Verify(std::string_view publicKey, std::string_view signature, std::string_view message);

}  // namespace Crypto
}  // namespace brimly
