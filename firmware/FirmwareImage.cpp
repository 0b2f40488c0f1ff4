#include "firmware/FirmwareImage.h"

#include "platform/ScopedFile.h"

namespace pd {

std::string FirmwareImageCheck::SizeText() const { return std::to_string(size) + " Byte"; }

FirmwareImageCheck CheckFirmwareImage(Os& os, const std::string& path) {
    FirmwareImageCheck check;
    if (os.IsDeviceName(path)) {
        check.openError = FileError::DeviceName;
        return check;
    }
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    if (!file) {
        check.openError = os.LastFileError();
        return check;
    }
    check.opened = true;
    if (!os.GetFileSize(file.get(), &check.size)) check.size = 0;

    // A file shorter than the signature leaves zeros, which never match it.
    std::array<std::uint8_t, kFirmwareImageSignature.size()> head{};
    std::uint32_t read = 0;
    if (!os.ReadFile(file.get(), head.data(), static_cast<std::uint32_t>(head.size()), &read)) {
        return check;
    }
    check.tooLarge = check.size > kLargestFirmwareImage;
    check.valid = read == head.size() && head == kFirmwareImageSignature && !check.tooLarge;
    return check;
}

}  // namespace pd
