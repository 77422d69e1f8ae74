// How this platform's new builds of the program are published, verified and swapped in.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::platform {

/// The name this platform's build is published under on the CDN, before ".version" and ".ex_".
/// Each platform has its own, so that no build ever installs another platform's program.
/// Linux: "VarnugamesStarter_v2.linux-x86_64". Windows: "VarnugamesStarter_v2".
std::u16string_view UpdatePublishedName();

/// What is appended to the package's name (on the CDN and on disk) for the file that carries its
/// signature; empty when the package is signed inside.
/// Linux: ".p7s", a detached DER CMS signature. Windows: empty (Authenticode).
std::u16string_view UpdateSignatureSuffix();

/// Checks the downloaded package at `packagePath` as a signer check does (integrity, a chain to
/// the system trust store with the code-signing usage, expiry and revocation not deciding) and
/// that its signer's simple display name is `expectedSigner`. 0 when all hold; 1 when the
/// signature is sound but names another signer; else a Windows error code as CheckFileSigner
/// gives it. Linux: the signature is the detached one at `packagePath` + UpdateSignatureSuffix().
std::uint32_t CheckUpdatePackage(std::u16string_view packagePath,
                                 std::u16string_view expectedSigner);

/// Keeps the running program at `backupPath` before the package is moved onto `ownPath`. On
/// failure returns false with the last error set, `ownPath` unchanged.
/// Linux: a hard link, so `ownPath` keeps a complete program until the package is renamed over
/// it in one step. Windows: the program is moved aside, as a running program can be renamed but
/// not replaced.
bool KeepBackupOfProgram(std::u16string_view ownPath, std::u16string_view backupPath);

} // namespace vg::platform
