// The Windows build's published name, its Authenticode-signed package and the backup by moving
// the running program aside. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/update_package.h"

#include "platform/file_system.h"
#include "platform/signature.h"

namespace vg::platform {

std::u16string_view UpdatePublishedName() {
    return u"VarnugamesStarter_v2";
}

std::u16string_view UpdateSignatureSuffix() {
    return u"";
}

std::uint32_t CheckUpdatePackage(std::u16string_view packagePath,
                                 std::u16string_view expectedSigner) {
    return CheckFileSigner(packagePath, expectedSigner);
}

bool KeepBackupOfProgram(std::u16string_view ownPath, std::u16string_view backupPath) {
    // Windows lets a running program be renamed but not replaced, so the program itself moves
    // aside and its path is free for the package.
    return MoveFileReplacing(ownPath, backupPath);
}

} // namespace vg::platform
