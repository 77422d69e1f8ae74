// The Linux build's published names, its detached package signature and the hard-link backup.
// POSIX backend only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/update_package.h"

#include "platform/detached_signature.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/native_path.h"

#include <unistd.h>

#include <cerrno>
#include <string>

namespace vg::platform {

std::u16string_view UpdatePublishedName() {
    return u"VarnugamesStarter_v2.linux-x86_64";
}

std::u16string_view UpdateSignatureSuffix() {
    return u".p7s";
}

std::uint32_t CheckUpdatePackage(std::u16string_view packagePath,
                                 std::u16string_view expectedSigner) {
    const std::u16string signature = std::u16string(packagePath) + u".p7s";
    return CheckDetachedSignature(packagePath, signature, expectedSigner);
}

bool KeepBackupOfProgram(std::u16string_view ownPath, std::u16string_view backupPath) {
    const std::string backup = posix::NativePath(backupPath);
    if (link(posix::NativePath(ownPath).c_str(), backup.c_str()) != 0) {
        posix::SetLastErrorForPath(errno, backup);
        return false;
    }
    return true;
}

} // namespace vg::platform
