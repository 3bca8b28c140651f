#include "platform/image/demo/DemoHives.h"

#include "platform/image/demo/TreeBuilding.h"

#include <set>

namespace hivelet::image::demo {

namespace {

using regf::Key;

const char* const Admins = "S-1-5-32-544";
const char* const LocalSystem = "S-1-5-18";
const char* const Users = "S-1-5-32-545";

std::vector<uint8_t> MachineSd() {
    return SecurityDescriptor(Admins, LocalSystem,
                              {{LocalSystem, 0xF003F}, {Admins, 0xF003F}, {Users, 0x20019}});
}
std::vector<uint8_t> PrivateSd() {
    return SecurityDescriptor(LocalSystem, LocalSystem, {{LocalSystem, 0xF003F}});
}
std::vector<uint8_t> UserSd() {
    std::string user = DemoUserSid;
    return SecurityDescriptor(user, LocalSystem,
                              {{user, 0xF003F}, {LocalSystem, 0xF003F}, {Admins, 0xF003F}});
}

// A value of one of the size classes a hive stores differently: none, inline (up to 4 bytes),
// a cell of its own, and big data (more than 16344 bytes, split in segments).
std::vector<uint8_t> SizedData(Random& r, int sizeClass) {
    switch (sizeClass) {
    case 0:
        return {};
    case 1:
        return r.Bytes(r.Between(1, 4));
    case 2:
        return r.Bytes(r.Between(5, 200));
    case 3:
        return r.Bytes(r.Between(201, 16344));
    default:
        return r.Bytes(r.Between(16345, 120000));
    }
}

// Names no one would type but Windows stores: Latin-1 (kept in one byte per character),
// and characters beyond it (stored as UTF-16), including a pair of surrogates.
const char* const UnusualNames[] = {"Größe und Maße",     "Résumé café",
                                    "Документы",          "設定ファイル",
                                    "Ελληνικά",           "emoji \xF0\x9F\x8E\x89 key",
                                    "tab\tand;semicolon", "name with  two  blanks "};

void AddAssortedValues(Random& r, Key& k, bool big) {
    k.values.push_back(Raw("", type::None, {}));
    k.values.push_back(Sz("String", "Plain text " + r.Word(3, 12)));
    k.values.push_back(Sz("EmptyString", ""));
    k.values.push_back(
        Sz("Expandable", "%SystemRoot%\\System32\\" + r.Word(4, 9) + ".dll", type::ExpandSz));
    k.values.push_back(Raw("Binary", type::Binary, r.Bytes(r.Between(1, 64))));
    k.values.push_back(Dword("Number", static_cast<uint32_t>(r.Next())));
    k.values.push_back(DwordBigEndian("BigEndian", 0x01020304));
    k.values.push_back(
        Sz("SymbolicLinkValue", "\\Registry\\Machine\\System\\ControlSet001", type::Link));
    k.values.push_back(MultiSz("Several", {"first", "second", "", "after an empty one"}));
    k.values.push_back(Raw("Resources", type::ResourceList, r.Bytes(48)));
    k.values.push_back(Raw("Descriptor", type::FullResourceDescriptor, r.Bytes(36)));
    k.values.push_back(Raw("Requirements", type::ResourceRequirementsList, r.Bytes(72)));
    k.values.push_back(Qword("Large", r.Next()));
    k.values.push_back(Raw("Odd type", 0x12345678, r.Bytes(9)));
    for (int c = 0; c <= (big ? 4 : 3); ++c) {
        k.values.push_back(Raw("Size class " + std::to_string(c), type::Binary, SizedData(r, c)));
    }
    for (const char* n : UnusualNames) {
        k.values.push_back(Sz(n, n));
    }
}

void AddUnusualKeys(Key& parent, uint64_t time) {
    for (const char* n : UnusualNames) {
        Key& k = Child(parent, n, time);
        k.className = "Class of " + std::string(n);
    }
    Child(parent, std::string(255, 'L'), time); // the longest name a key may have
}

// A key with more subkeys than one index leaf holds, so the writer needs an index root.
void AddCrowd(Random& r, Key& parent, const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        Key k;
        k.name = prefix + std::to_string(100000 + i);
        k.lastWritten = r.FileTime();
        if (r.Percent(30)) {
            k.values.push_back(Dword("Index", static_cast<uint32_t>(i)));
        }
        parent.subkeys.push_back(std::move(k));
    }
}

Key MakeSystem(Random& r) {
    Key root;
    root.lastWritten = r.FileTime();
    root.security = MachineSd();
    Key& select = Path(root, "Select", r.FileTime());
    select.values = {Dword("Current", 1), Dword("Default", 1), Dword("Failed", 0),
                     Dword("LastKnownGood", 2)};
    for (const char* set : {"ControlSet001", "ControlSet002"}) {
        Key cs;
        cs.name = set;
        cs.lastWritten = r.FileTime();
        Key& services = Path(cs, "Services", r.FileTime());
        std::set<std::string> used;
        for (int i = 0; i < 520; ++i) {
            std::string name = r.Word(4, 14);
            if (!used.insert(name).second) {
                continue;
            }
            Key s;
            s.name = name;
            s.lastWritten = r.FileTime();
            s.values.push_back(Dword("Type", r.Percent(70) ? 1 : 16));
            s.values.push_back(Dword("Start", r.Between(0, 4)));
            s.values.push_back(Dword("ErrorControl", r.Between(0, 3)));
            s.values.push_back(Sz("ImagePath", "\\SystemRoot\\System32\\drivers\\" + name + ".sys",
                                  type::ExpandSz));
            s.values.push_back(Sz("DisplayName", "@%SystemRoot%\\system32\\" + name + ".dll,-" +
                                                     std::to_string(r.Between(100, 999))));
            if (r.Percent(40)) {
                s.values.push_back(MultiSz("DependOnService", {r.Word(4, 10), r.Word(4, 10)}));
            }
            if (r.Percent(25)) {
                s.values.push_back(Raw("FailureActions", type::Binary, r.Bytes(r.Between(20, 44))));
            }
            if (r.Percent(50)) {
                Key& p = Child(s, "Parameters", r.FileTime());
                for (uint32_t v = 0, n = r.Between(1, 8); v < n; ++v) {
                    p.values.push_back(Dword(r.Word(5, 16) + std::to_string(v), r.Below(100000)));
                }
            }
            if (r.Percent(30)) {
                Key& e = Child(s, "Enum", r.FileTime());
                e.values = {Sz("0", "Root\\LEGACY_" + name + "\\0000"), Dword("Count", 1),
                            Dword("NextInstance", 1)};
            }
            services.subkeys.push_back(std::move(s));
        }
        Key& en = Path(cs, "Enum\\PCI", r.FileTime());
        for (int d = 0; d < 160; ++d) {
            char id[64];
            std::snprintf(id, sizeof id, "VEN_%04X&DEV_%04X&SUBSYS_%08X&REV_%02X", r.Below(0x10000),
                          r.Below(0x10000), static_cast<unsigned>(r.Next()), r.Below(256));
            Key& dev = Child(en, id, r.FileTime());
            Key& inst =
                Child(dev, std::to_string(r.Below(10)) + "&" + std::to_string(r.Next() % 100000000),
                      r.FileTime());
            inst.values = {
                Sz("DeviceDesc", "@pci.inf,%pci\\" + r.Word(4, 9) + "%;" + r.Word(6, 20)),
                MultiSz("HardwareID", {std::string("PCI\\") + id, "PCI\\CC_0300"}),
                Sz("Service", r.Word(4, 10)),
                Dword("ConfigFlags", 0),
                Sz("ClassGUID", r.Guid()),
                Sz("Driver", r.Guid() + "\\0000"),
                Dword("Capabilities", r.Below(256))};
            Child(inst, "Device Parameters", r.FileTime())
                .values.push_back(Raw("InterruptManagement", type::Binary, r.Bytes(16)));
        }
        Key& control = Path(cs, "Control", r.FileTime());
        control.values = {Sz("SystemStartOptions", " NOEXECUTE=OPTIN"),
                          Dword("WaitToKillServiceTimeout", 5000)};
        Key& nls = Path(control, "Nls\\CodePage", r.FileTime());
        for (int cp = 0; cp < 140; ++cp) {
            nls.values.push_back(
                Sz(std::to_string(37 + cp * 7), "c_" + std::to_string(37 + cp * 7) + ".nls"));
        }
        Key& tz = Path(control, "TimeZoneInformation", r.FileTime());
        tz.values = {Dword("Bias", 0xFFFFFFC4), Sz("StandardName", "@tzres.dll,-322"),
                     Raw("StandardStart", type::Binary, r.Bytes(16)),
                     Dword("ActiveTimeBias", 0xFFFFFF88)};
        Key& classes = Path(control, "Class", r.FileTime());
        for (int c = 0; c < 60; ++c) {
            Key& k = Child(classes, r.Guid(), r.FileTime());
            k.className = "Class";
            k.values = {
                Sz("", r.Word(5, 14)), Sz("Class", r.Word(4, 10)),
                Raw("IconPath", type::MultiSz, Utf16("%SystemRoot%\\System32\\setupapi.dll,-5"))};
        }
        root.subkeys.push_back(std::move(cs));
    }
    Key& mounted = Path(root, "MountedDevices", r.FileTime());
    for (char l = 'C'; l <= 'F'; ++l) {
        mounted.values.push_back(Raw(std::string("\\DosDevices\\") + l + ":", type::Binary,
                                     r.Bytes(l == 'C' ? 12 : 24)));
    }
    for (int v = 0; v < 30; ++v) {
        mounted.values.push_back(
            Raw("\\??\\Volume" + r.Guid(), type::Binary, r.Bytes(r.Between(12, 120))));
    }
    Key& setup = Path(root, "Setup", r.FileTime());
    setup.values = {Dword("SetupType", 0), Sz("CmdLine", ""), Dword("SystemSetupInProgress", 0)};
    Key& odd = Path(root, "HiveletDemo\\Assorted", r.FileTime());
    AddAssortedValues(r, odd, true);
    AddUnusualKeys(Path(root, "HiveletDemo", r.FileTime()), r.FileTime());
    AddCrowd(r, Path(root, "HiveletDemo\\Crowd", r.FileTime()), "Item", 1500);
    return root;
}

void AddSoftwareTree(Random& r, Key& root, int clsids, int programs, bool wow) {
    Key& clsid = Path(root, "Classes\\CLSID", r.FileTime());
    for (int i = 0; i < clsids; ++i) {
        Key c;
        c.name = r.Guid();
        c.lastWritten = r.FileTime();
        c.values.push_back(Sz("", r.Word(5, 12) + " " + r.Word(4, 10) + " Class"));
        Key& srv = Child(c, r.Percent(80) ? "InprocServer32" : "LocalServer32", r.FileTime());
        srv.values = {Sz("",
                         std::string(wow ? "C:\\Windows\\SysWOW64\\" : "%SystemRoot%\\System32\\") +
                             r.Word(4, 10) + ".dll",
                         type::ExpandSz),
                      Sz("ThreadingModel", r.Percent(60) ? "Both" : "Apartment")};
        if (r.Percent(20)) {
            Child(c, "ProgID", r.FileTime())
                .values.push_back(Sz("", r.Word(4, 8) + "." + r.Word(4, 8) + ".1"));
        }
        clsid.subkeys.push_back(std::move(c));
    }
    Key& exts = Path(root, "Classes", r.FileTime());
    for (int i = 0; i < clsids / 10; ++i) {
        std::string ext = "." + r.Word(2, 5);
        ext[1] = static_cast<char>(ext[1] - 'A' + 'a');
        Key& e = Child(exts, ext, r.FileTime());
        e.values = {Sz("", r.Word(4, 10) + "File"),
                    Sz("Content Type", "application/x-" + r.Word(3, 8))};
    }
    Key& uninstall = Path(root, "Microsoft\\Windows\\CurrentVersion\\Uninstall", r.FileTime());
    std::set<std::string> names;
    for (int i = 0; i < programs; ++i) {
        Key p;
        p.name = r.Percent(50) ? r.Guid() : r.Word(5, 20);
        if (!names.insert(p.name).second) {
            continue;
        }
        p.lastWritten = r.FileTime();
        std::string product = r.Word(4, 10) + " " + r.Word(4, 12);
        p.values = {Sz("DisplayName", product),
                    Sz("DisplayVersion",
                       std::to_string(r.Between(1, 30)) + "." + std::to_string(r.Below(100))),
                    Sz("Publisher", r.Word(5, 12) + " Software"),
                    Sz("InstallLocation", "C:\\Program Files\\" + product),
                    Sz("UninstallString", "MsiExec.exe /X" + r.Guid(), type::ExpandSz),
                    Dword("EstimatedSize", r.Below(2000000)),
                    Dword("NoModify", 1)};
        if (r.Percent(10)) {
            p.values.push_back(Raw("ProductIcon", type::Binary, r.Bytes(r.Between(17000, 40000))));
        }
        uninstall.subkeys.push_back(std::move(p));
    }
    Key& run = Path(root, "Microsoft\\Windows\\CurrentVersion\\Run", r.FileTime());
    for (int i = 0; i < 8; ++i) {
        run.values.push_back(
            Sz(r.Word(4, 12) + std::to_string(i), "\"C:\\Program Files\\" + r.Word(4, 9) + "\\" +
                                                      r.Word(4, 9) + ".exe\" /background"));
    }
}

Key MakeSoftware(Random& r) {
    Key root;
    root.lastWritten = r.FileTime();
    root.security = MachineSd();
    AddSoftwareTree(r, root, 2600, 220, false);
    Key& nt = Path(root, "Microsoft\\Windows NT\\CurrentVersion", r.FileTime());
    nt.values = {Sz("ProductName", "Windows 10 Pro"),
                 Sz("CurrentBuild", "19045"),
                 Dword("CurrentMajorVersionNumber", 10),
                 Dword("CurrentMinorVersionNumber", 0),
                 Sz("SystemRoot", "C:\\Windows"),
                 Raw("DigitalProductId", type::Binary, r.Bytes(164)),
                 Raw("DigitalProductId4", type::Binary, r.Bytes(1272)),
                 Qword("InstallTime", r.FileTime())};
    Key& fonts = Path(root, "Microsoft\\Windows NT\\CurrentVersion\\Fonts", r.FileTime());
    for (int i = 0; i < 180; ++i) {
        fonts.values.push_back(
            Sz(r.Word(4, 16) + std::to_string(i) + " (TrueType)", r.Word(4, 8) + ".ttf"));
    }
    Key wow;
    wow.name = "Wow6432Node";
    wow.lastWritten = r.FileTime();
    AddSoftwareTree(r, wow, 700, 90, true);
    root.subkeys.push_back(std::move(wow));
    Key& policies = Path(root, "Policies\\Microsoft\\Windows", r.FileTime());
    AddAssortedValues(r, policies, true);
    AddUnusualKeys(policies, r.FileTime());
    return root;
}

Key MakeSam(Random& r) {
    Key root;
    root.lastWritten = r.FileTime();
    root.security = PrivateSd();
    Key& account = Path(root, "SAM\\Domains\\Account", r.FileTime());
    account.values = {Raw("F", type::Binary, r.Bytes(240)), Raw("V", type::Binary, r.Bytes(204))};
    Key& users = Child(account, "Users", r.FileTime());
    Child(users, "Names", r.FileTime());
    const char* const people[] = {"Administrator", "Guest", "DefaultAccount", "WDAGUtilityAccount",
                                  "Demo"};
    for (int i = 0; i < 5; ++i) {
        char rid[16];
        std::snprintf(rid, sizeof rid, "%08X", i < 4 ? 500 + i : 1001);
        Key& u = Child(users, rid, r.FileTime());
        u.values = {Raw("F", type::Binary, r.Bytes(80)),
                    Raw("V", type::Binary, r.Bytes(r.Between(700, 1400))),
                    Raw("SupplementalCredentials", type::Binary, r.Bytes(r.Between(300, 1200)))};
        Key& n = Child(Child(users, "Names", 0), people[i], r.FileTime());
        n.values.push_back(Raw("", static_cast<uint32_t>(i < 4 ? 500 + i : 1001), {}));
    }
    Key& aliases = Path(root, "SAM\\Domains\\Builtin\\Aliases", r.FileTime());
    for (int a = 0; a < 24; ++a) {
        char rid[16];
        std::snprintf(rid, sizeof rid, "%08X", 544 + a);
        Child(aliases, rid, r.FileTime())
            .values.push_back(Raw("C", type::Binary, r.Bytes(r.Between(100, 400))));
    }
    Path(root, "SAM\\LastSkuUpgrade", r.FileTime()).values.push_back(Dword("", 0));
    Path(root, "SAM\\RXACT", r.FileTime()).values.push_back(Raw("", type::None, r.Bytes(12)));
    return root;
}

Key MakeSecurity(Random& r) {
    Key root;
    root.lastWritten = r.FileTime();
    root.security = PrivateSd();
    Key& policy = Path(root, "Policy", r.FileTime());
    for (const char* k : {"PolAdtEv", "PolAcDmN", "PolAcDmS", "PolPrDmN", "PolPrDmS", "PolEKList",
                          "PolRevision", "SecDesc", "PolDnDDN", "PolDnDmG"}) {
        Child(policy, k, r.FileTime())
            .values.push_back(Raw("", type::None, r.Bytes(r.Between(8, 300))));
    }
    Key& secrets = Child(policy, "Secrets", r.FileTime());
    for (const char* s : {"DPAPI_SYSTEM", "NL$KM", "$MACHINE.ACC", "DefaultPassword"}) {
        Key& k = Child(secrets, s, r.FileTime());
        for (const char* part : {"CurrVal", "OldVal", "CupdTime", "OupdTime", "SecDesc"}) {
            Child(k, part, r.FileTime())
                .values.push_back(Raw("", type::None, r.Bytes(r.Between(12, 260))));
        }
    }
    Key& accounts = Child(policy, "Accounts", r.FileTime());
    for (int i = 0; i < 20; ++i) {
        Key& a = Child(accounts, "S-1-5-" + std::to_string(18 + i), r.FileTime());
        Child(a, "Privilgs", r.FileTime())
            .values.push_back(Raw("", type::None, r.Bytes(r.Between(16, 160))));
        Child(a, "Sid", r.FileTime()).values.push_back(Raw("", type::None, r.Bytes(12)));
    }
    Path(root, "RXACT", r.FileTime()).values.push_back(Raw("", type::None, r.Bytes(12)));
    return root;
}

void AddUserTree(Random& r, Key& root, int mruEntries, bool withBig) {
    Key& cp = Path(root, "Control Panel\\Desktop", r.FileTime());
    cp.values = {Sz("Wallpaper", "C:\\Users\\Demo\\Pictures\\" + r.Word(4, 9) + ".jpg"),
                 Sz("WallpaperStyle", "10"), Dword("ScreenSaveActive", 1),
                 Raw("UserPreferencesMask", type::Binary, r.Bytes(8))};
    Key& colors = Path(root, "Control Panel\\Colors", r.FileTime());
    for (int i = 0; i < 31; ++i) {
        colors.values.push_back(
            Sz(r.Word(6, 18) + std::to_string(i), std::to_string(r.Below(256)) + " " +
                                                      std::to_string(r.Below(256)) + " " +
                                                      std::to_string(r.Below(256))));
    }
    Key& env = Path(root, "Environment", r.FileTime());
    env.values = {
        Sz("Path", "%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps;", type::ExpandSz),
        Sz("TEMP", "%USERPROFILE%\\AppData\\Local\\Temp", type::ExpandSz),
        Sz("TMP", "%USERPROFILE%\\AppData\\Local\\Temp", type::ExpandSz)};
    Key& kbd = Path(root, "Keyboard Layout\\Preload", r.FileTime());
    kbd.values = {Sz("1", "00000409"), Sz("2", "00000407")};
    Key& explorer =
        Path(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", r.FileTime());
    Key& recent = Child(explorer, "RecentDocs", r.FileTime());
    std::string order;
    for (int i = 0; i < mruEntries; ++i) {
        recent.values.push_back(
            Raw(std::to_string(i), type::Binary, Utf16(r.Word(4, 20) + ".docx")));
        order += static_cast<char>(i & 0xff);
    }
    recent.values.push_back(
        Raw("MRUListEx", type::Binary, std::vector<uint8_t>(order.begin(), order.end())));
    Key& apps = Path(root, "Software", r.FileTime());
    std::set<std::string> used;
    for (int i = 0; i < 150; ++i) {
        std::string vendor = r.Word(4, 12);
        if (!used.insert(vendor).second) {
            continue;
        }
        Key& v = Child(apps, vendor, r.FileTime());
        for (uint32_t p = 0, n = r.Between(1, 4); p < n; ++p) {
            Key& prod = Child(v, r.Word(4, 12) + std::to_string(p), r.FileTime());
            Key& settings = Child(prod, "Settings", r.FileTime());
            for (uint32_t s = 0, m = r.Between(2, 12); s < m; ++s) {
                switch (r.Below(4)) {
                case 0:
                    settings.values.push_back(Dword("Option" + std::to_string(s), r.Below(2)));
                    break;
                case 1:
                    settings.values.push_back(Sz("Text" + std::to_string(s), r.Word(3, 40)));
                    break;
                case 2:
                    settings.values.push_back(
                        Raw("Blob" + std::to_string(s), type::Binary, r.Bytes(r.Between(4, 900))));
                    break;
                default:
                    settings.values.push_back(Qword("Stamp" + std::to_string(s), r.FileTime()));
                }
            }
            Key& recentFiles = Child(prod, "Recent File List", r.FileTime());
            for (uint32_t f = 0, m = r.Between(0, 9); f < m; ++f) {
                recentFiles.values.push_back(
                    Sz("File" + std::to_string(f + 1),
                       "C:\\Users\\Demo\\Documents\\" + r.Word(4, 16) + ".txt"));
            }
        }
    }
    if (withBig) {
        Key& cache =
            Path(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartPage2",
                 r.FileTime());
        cache.values = {Raw("Favorites", type::Binary, r.Bytes(65000)),
                        Raw("FavoritesResolve", type::Binary, r.Bytes(24000)),
                        Raw("ProgramsCache", type::Binary, r.Bytes(16345))};
    }
}

Key MakeDefault(Random& r) {
    Key root;
    root.lastWritten = r.FileTime();
    root.security = MachineSd();
    AddUserTree(r, root, 20, false);
    return root;
}

Key MakeNtuser(Random& r) {
    Key root;
    root.lastWritten = r.FileTime();
    root.security = UserSd();
    AddUserTree(r, root, 200, true);
    Key& demo = Path(root, "Software\\HiveletDemo", r.FileTime());
    AddAssortedValues(r, demo, true);
    AddUnusualKeys(demo, r.FileTime());
    Key& many = Child(demo, "ManyValues", r.FileTime());
    for (int i = 0; i < 1200; ++i) {
        many.values.push_back(Dword("Value" + std::to_string(i), static_cast<uint32_t>(i)));
    }
    return root;
}

Key MakeUsrClass(Random& r) {
    Key root;
    root.lastWritten = r.FileTime();
    root.security = UserSd();
    Key& bags =
        Path(root, "Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU", r.FileTime());
    // A tree of numbered shell bags, a few levels deep, as browsing folders leaves behind.
    std::vector<Key*> level{&bags};
    for (int depth = 0; depth < 4; ++depth) {
        std::vector<Key*> next;
        for (Key* parent : level) {
            uint32_t n = depth == 0 ? 24 : r.Between(0, 6);
            for (uint32_t i = 0; i < n; ++i) {
                parent->values.push_back(
                    Raw(std::to_string(i), type::Binary, r.Bytes(r.Between(20, 500))));
                Key k;
                k.name = std::to_string(i);
                k.lastWritten = r.FileTime();
                k.values.push_back(Dword("NodeSlot", r.Below(4000)));
                parent->subkeys.push_back(std::move(k));
            }
            parent->values.push_back(Raw("MRUListEx", type::Binary, r.Bytes(4 * n + 4)));
            for (Key& k : parent->subkeys) {
                next.push_back(&k);
            }
        }
        level = std::move(next);
    }
    Key& clsid = Path(root, "CLSID", r.FileTime());
    for (int i = 0; i < 900; ++i) {
        Key c;
        c.name = r.Guid();
        c.lastWritten = r.FileTime();
        c.values.push_back(Sz("", r.Word(5, 20)));
        Child(c, "InprocServer32", r.FileTime())
            .values.push_back(Sz("", "C:\\Users\\Demo\\AppData\\Local\\" + r.Word(4, 9) + ".dll"));
        clsid.subkeys.push_back(std::move(c));
    }
    Key& mui = Path(root, "Local Settings\\MuiCache\\1\\52C64B7E", r.FileTime());
    for (int i = 0; i < 300; ++i) {
        mui.values.push_back(
            Sz("@C:\\Windows\\system32\\" + r.Word(4, 10) + ".dll,-" + std::to_string(100 + i),
               r.Word(4, 24)));
    }
    return root;
}

} // namespace

std::vector<DemoHive> MakeDemoHives(uint64_t seed) {
    Random r(seed);
    const std::string config = "C/Windows/System32/config/";
    const std::string user = std::string("\\REGISTRY\\USER\\") + DemoUserSid;
    std::vector<DemoHive> hives;
    hives.push_back(
        {"\\REGISTRY\\MACHINE\\SYSTEM", config + "SYSTEM", MakeSystem(r), {5, 0.12, 11}, true});
    hives.push_back({"\\REGISTRY\\MACHINE\\SOFTWARE",
                     config + "SOFTWARE",
                     MakeSoftware(r),
                     {5, 0.20, 12},
                     true});
    hives.push_back(
        {"\\REGISTRY\\USER\\.DEFAULT", config + "DEFAULT", MakeDefault(r), {5, 0.07, 13}, false});
    hives.push_back({"\\REGISTRY\\MACHINE\\SECURITY",
                     config + "SECURITY",
                     MakeSecurity(r),
                     {5, 0.28, 14},
                     false});
    hives.push_back({"\\REGISTRY\\MACHINE\\SAM", config + "SAM", MakeSam(r), {5, 0.25, 15}, false});
    hives.push_back({user, "C/Users/Demo/NTUSER.DAT", MakeNtuser(r), {5, 0.22, 16}, true});
    hives.push_back({user + "_Classes",
                     "C/Users/Demo/AppData/Local/Microsoft/Windows/UsrClass.dat",
                     MakeUsrClass(r),
                     {3, 0.15, 17},
                     true});
    return hives;
}

} // namespace hivelet::image::demo
