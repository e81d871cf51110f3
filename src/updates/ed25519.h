#pragma once

#include <QByteArray>

namespace lumenor {

inline constexpr int kEd25519PublicKeySize = 32;
inline constexpr int kEd25519SignatureSize = 64;

// True when `signature` (64 bytes) is a valid Ed25519 signature of `message` by the holder of
// `publicKey` (32 raw bytes). Anything of the wrong size is false.
bool verifyEd25519(const QByteArray& publicKey, const QByteArray& message,
                   const QByteArray& signature);

}  // namespace lumenor
