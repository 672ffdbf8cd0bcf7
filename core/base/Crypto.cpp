#include "core/base/Crypto.h"

// SHA-256 goes through the digest's own functions rather than EVP: EVP's first use loads OpenSSL's
// configuration and starts its providers, some 2 MB resident, to reach the same assembly. EVP stays for
// the signature check, which runs seldom.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <array>
#include <cstdint>
#include <memory>

namespace brimly::Crypto {

Digest sha256(std::string_view bytes) {
    // Not the one-shot SHA256(): OpenSSL 3 implements that through EVP.
    SHA256_CTX state;
    SHA256_Init(&state);
    SHA256_Update(&state, bytes.data(), bytes.size());
    Digest digest{};
    SHA256_Final(digest.data(), &state);
    return digest;
}

std::string hex(const Digest& digest) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(digest.size() * 2);
    for (auto byte : digest) {
        out.push_back(digits[byte >> 4]);
        out.push_back(digits[byte & 15]);
    }
    return out;
}

std::string sha256Hex(std::string_view bytes) { return hex(sha256(bytes)); }

struct Sha256::Context {
    SHA256_CTX state;
};

Sha256::Sha256() : m_context(new Context) { SHA256_Init(&m_context->state); }

Sha256::~Sha256() { delete m_context; }

void Sha256::update(std::string_view bytes) { SHA256_Update(&m_context->state, bytes.data(), bytes.size()); }

std::string Sha256::finalHex() {
    Digest digest{};
    SHA256_Final(digest.data(), &m_context->state);
    return hex(digest);
}

std::optional<std::string> sha256HexOf(const FileReader& file) {
    Sha256 digest;
    auto error = file.forEachBlock([&digest](std::string_view block) {
        digest.update(block);
        return std::error_code();
    });
    if (error) return std::nullopt;
    return digest.finalHex();
}

std::optional<std::string> sha256HexOfFile(const std::string& path) {
    auto opened = FileReader::open(path);
    auto* file = std::get_if<FileReader>(&opened);
    if (!file) return std::nullopt;
    return sha256HexOf(*file);
}

namespace {

constexpr signed char notBase64 = -1;
constexpr signed char space = -2;
constexpr signed char pad = -3;

constexpr std::array<signed char, 256> base64Values() {
    std::array<signed char, 256> values{};
    values.fill(notBase64);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    for (char c : {' ', '\n', '\r', '\t'}) values[static_cast<unsigned char>(c)] = space;
    values['='] = pad;
    return values;
}

}  // namespace

// One pass and a table: screenshots arrive as megabytes of base64, and this is on the capture path.
std::optional<std::string> base64Decode(std::string_view text) {
    static constexpr std::array<signed char, 256> values = base64Values();
    std::string out(text.size() / 4 * 3, '\0');
    std::size_t written = 0;
    std::size_t symbols = 0;
    std::size_t padding = 0;
    std::uint32_t quantum = 0;
    for (char c : text) {
        signed char value = values[static_cast<unsigned char>(c)];
        if (value >= 0) {
            // Padding ends the text; nothing but white space may follow it.
            if (padding > 0) return std::nullopt;
            quantum = quantum << 6 | static_cast<std::uint32_t>(value);
            if (++symbols % 4 == 0) {
                out[written++] = static_cast<char>(quantum >> 16);
                out[written++] = static_cast<char>(quantum >> 8);
                out[written++] = static_cast<char>(quantum);
            }
        } else if (value == pad) {
            ++padding;
        } else if (value != space) {
            return std::nullopt;
        }
    }
    if (padding > 2 || (symbols + padding) % 4 != 0) return std::nullopt;
    // What padding leaves of the last quantum: two symbols carry one byte, three carry two.
    std::size_t tail = symbols % 4;
    if (tail == 2) out[written++] = static_cast<char>(quantum >> 4);
    if (tail == 3) {
        out[written++] = static_cast<char>(quantum >> 10);
        out[written++] = static_cast<char>(quantum >> 2);
    }
    out.resize(written);
    return out;
}

std::string base64Encode(std::string_view bytes) {
    std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
    int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(length));
    return out;
}

bool ed25519Verify(std::string_view publicKey, std::string_view signature, std::string_view message) {
    if (publicKey.size() != 32 || signature.size() != 64) return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(publicKey.data()),
                                    publicKey.size()),
        &EVP_PKEY_free);
    if (!key) return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(), reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

}  // namespace brimly::Crypto
