#include "emulator/DriveModel.h"

#include <algorithm>
#include <cctype>

namespace emulator {

namespace {

constexpr uint16_t kCd1x = 176;   // 75 sectors of 2352 bytes per second, as MMC rounds it
constexpr uint16_t kDvd1x = 1385; // 1,385,000 bytes per second

std::string Lower(std::string s) {
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trimmed(const std::string& s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

std::vector<TDriveModel> BuildModels() {
    std::vector<TDriveModel> models;

    TDriveModel generic;
    generic.Key = "generic";
    generic.Vendor = "TARNWICK";
    generic.Product = "DVD RECORDER    ";
    generic.Revision = "1.00";
    generic.ReadsDvdRom = generic.ReadsDvdR = generic.ReadsDvdRam = true;
    generic.WritesDvdR = generic.WritesDvdRam = generic.WritesDvdPlus = true;
    generic.MaxCdReadSpeed = 48 * kCd1x;
    generic.MaxCdWriteSpeed = 48 * kCd1x;
    generic.MaxDvdReadSpeed = 16 * kDvd1x;
    generic.MaxDvdWriteSpeed = 16 * kDvd1x;
    generic.BufferKB = 2048;
    models.push_back(generic);

    // A plain DVD-ROM reader: the drive of a folder served as a disc.
    TDriveModel reader;
    reader.Key = "reader";
    reader.Vendor = "TARNWICK";
    reader.Product = "DVD-ROM         ";
    reader.Revision = "1.00";
    reader.ReadsDvdRom = reader.ReadsDvdR = true;
    reader.WritesCdR = reader.WritesCdRw = false;
    reader.TestWrite = reader.Buf = false;
    reader.Feature2FData.reset();
    reader.MaxCdReadSpeed = 48 * kCd1x;
    reader.MaxDvdReadSpeed = 16 * kDvd1x;
    reader.MaxCdWriteSpeed = 0;
    reader.BufferKB = 512;
    models.push_back(reader);

    // A CD recorder whose page does not show BUF although it records without underruns; with
    // a block descriptor in its mode replies.
    TDriveModel w512;
    w512.Key = "cd-w512eb";
    w512.Vendor = "TEAC    ";
    w512.Product = "CD-W512EB       ";
    w512.Revision = "2.0B";
    w512.Buf = false;
    w512.BlockDescriptor = true;
    w512.Rezero = true;
    w512.MaxCdReadSpeed = 32 * kCd1x;
    w512.MaxCdWriteSpeed = 12 * kCd1x;
    w512.BufferKB = 2048;
    models.push_back(w512);

    // CD recorders that want LS_V in their write parameters; the first answers vendor page 30h.
    TDriveModel crx175;
    crx175.Key = "crx175e";
    crx175.Vendor = "SONY    ";
    crx175.Product = "CRX175E         ";
    crx175.Revision = "1.0a";
    crx175.Buf = false;
    crx175.Page30 = true;
    crx175.ReadsDvdRom = true;
    crx175.MaxCdReadSpeed = 24 * kCd1x;
    crx175.MaxCdWriteSpeed = 24 * kCd1x;
    crx175.MaxDvdReadSpeed = 8 * kDvd1x;
    crx175.BufferKB = 2048;
    models.push_back(crx175);

    TDriveModel crx800;
    crx800.Key = "crx800e";
    crx800.Vendor = "SONY    ";
    crx800.Product = "CD-RW  CRX800E  ";
    crx800.Revision = "1.0b";
    crx800.MaxCdReadSpeed = 48 * kCd1x;
    crx800.MaxCdWriteSpeed = 52 * kCd1x;
    crx800.BufferKB = 8192;
    models.push_back(crx800);

    // An early DVD-R/RW recorder: block descriptor, MMC-5 bits in feature 002Fh, and a
    // current write speed of 0 in its page until a speed is set.
    TDriveModel dvr103;
    dvr103.Key = "dvr-103";
    dvr103.Vendor = "PIONEER ";
    dvr103.Product = "DVD-RW  DVR-103 ";
    dvr103.Revision = "1.90";
    dvr103.ReadsDvdRom = dvr103.ReadsDvdR = true;
    dvr103.WritesDvdR = true;
    dvr103.Buf = false;
    dvr103.BlockDescriptor = true;
    dvr103.Feature2FData = 0x46; // BUF, Test Write, DVD-RW
    dvr103.ZeroCurrentWriteSpeed = true;
    dvr103.MaxCdReadSpeed = 24 * kCd1x;
    dvr103.MaxCdWriteSpeed = 8 * kCd1x;
    dvr103.MaxDvdReadSpeed = 2 * kDvd1x;
    dvr103.MaxDvdWriteSpeed = 1 * kDvd1x;
    dvr103.BufferKB = 2048;
    models.push_back(dvr103);

    // A notebook combo drive: reads DVD, writes CD, reports no known free buffer.
    TDriveModel ujda;
    ujda.Key = "ujda";
    ujda.Vendor = "MATSHITA";
    ujda.Product = "UJDA740 DVD/CDRW";
    ujda.Revision = "1.00";
    ujda.ReadsDvdRom = ujda.ReadsDvdR = ujda.ReadsDvdPlus = true;
    ujda.MaxCdReadSpeed = 24 * kCd1x;
    ujda.MaxCdWriteSpeed = 16 * kCd1x;
    ujda.MaxDvdReadSpeed = 8 * kDvd1x;
    ujda.UnknownFreeBuffer = true;
    ujda.Feature2FData.reset();
    models.push_back(ujda);

    TDriveModel tdk;
    tdk.Key = "tdk";
    tdk.Vendor = "TDK     ";
    tdk.Product = "CDRW241040B     ";
    tdk.Revision = "1.10";
    tdk.MaxCdReadSpeed = 40 * kCd1x;
    tdk.MaxCdWriteSpeed = 24 * kCd1x;
    tdk.Feature2FData.reset();
    models.push_back(tdk);

    // Closes sessions only without Immed in the engine's eyes; the vendor string is not TDK
    // here so that its one adjustment can be tested on its own.
    TDriveModel tdk32;
    tdk32.Key = "cdrw321040x";
    tdk32.Vendor = "VELOCD  ";
    tdk32.Product = "CDRW321040X     ";
    tdk32.Revision = "1.20";
    tdk32.MaxCdReadSpeed = 40 * kCd1x;
    tdk32.MaxCdWriteSpeed = 32 * kCd1x;
    tdk32.Feature2FData.reset();
    models.push_back(tdk32);

    return models;
}

} // namespace

bool TDriveModel::CanRead(TProfile profile) const {
    switch (profile) {
    case TProfile::CdRom: return true;
    case TProfile::CdR: return ReadsCdR;
    case TProfile::CdRw: return ReadsCdRw;
    case TProfile::DvdRom: return ReadsDvdRom;
    case TProfile::DvdR:
    case TProfile::DvdRwRestricted:
    case TProfile::DvdRwSequential: return ReadsDvdR;
    case TProfile::DvdRam: return ReadsDvdRam;
    case TProfile::DvdPlusR:
    case TProfile::DvdPlusRw: return WritesDvdPlus || ReadsDvdPlus;
    case TProfile::None: return false;
    }
    return false;
}

bool TDriveModel::CanWrite(TProfile profile) const {
    switch (profile) {
    case TProfile::CdR: return WritesCdR;
    case TProfile::CdRw: return WritesCdRw;
    case TProfile::DvdR:
    case TProfile::DvdRwRestricted:
    case TProfile::DvdRwSequential: return WritesDvdR;
    case TProfile::DvdRam: return WritesDvdRam;
    case TProfile::DvdPlusR:
    case TProfile::DvdPlusRw: return WritesDvdPlus;
    default: return false;
    }
}

uint16_t TDriveModel::MaxReadSpeed(TProfile profile) const {
    return IsDvd(profile) ? MaxDvdReadSpeed : MaxCdReadSpeed;
}

uint16_t TDriveModel::MaxWriteSpeed(TProfile profile) const {
    return IsDvd(profile) ? MaxDvdWriteSpeed : MaxCdWriteSpeed;
}

const std::vector<TDriveModel>& DriveModels() {
    static const std::vector<TDriveModel> models = BuildModels();
    return models;
}

const TDriveModel& GenericRecorder() { return DriveModels().front(); }

std::optional<TDriveModel> FindDriveModel(const std::string& name) {
    std::string wanted = Lower(Trimmed(name));
    for (const auto& m : DriveModels())
        if (wanted == m.Key || wanted == Lower(Trimmed(m.Product))) return m;
    return std::nullopt;
}

} // namespace emulator
