#include "components/settings/fields.h"

#include <climits>
#include <cstdlib>

#include "base/path_parts.h"
#include "base/registry.h"
#include "core/registry_keys.h"
#include "core/settings.h"

namespace qaz::setup {

namespace {

enum Page { pBar, pShow, pPack, pFolders, pDesktop, pFtp, pPlaces };

const Settings kSettings{};        // defaults of "Settings"
const BarPlacement kMain{};        // defaults of "Windows\Main"
const DesktopLabelSettings kDesktop{};  // defaults of "Settings\Desktop"
const FtpSettings kFtp{};          // defaults of "Settings\FTP"

constexpr int kSecondsMax = 86400;
constexpr int kCoordMin = -32768, kCoordMax = 32767;

Field Make(int page, const char* key, const char* name, Kind kind, const char* label) {
    Field f;
    f.page = page;
    f.key = key;
    f.name = name;
    f.kind = kind;
    f.label = label;
    return f;
}

Field Check(int page, const char* key, const char* name, const char* label, bool def, unsigned mask = 0) {
    Field f = Make(page, key, name, Kind::Check, label);
    f.def = def ? 1 : 0;
    f.mask = mask;
    return f;
}

Field Number(int page, const char* key, const char* name, const char* label, int def, int min, int max) {
    Field f = Make(page, key, name, Kind::Number, label);
    f.def = def;
    f.min = min;
    f.max = max;
    return f;
}

Field Colour(int page, const char* key, const char* name, const char* label, int def) {
    Field f = Make(page, key, name, Kind::Colour, label);
    f.def = def;
    return f;
}

Field Text(int page, Kind kind, const char* key, const char* name, const char* label, const char* def = "") {
    Field f = Make(page, key, name, kind, label);
    f.defText = def;
    return f;
}

Field Choice(int page, const char* key, const char* name, const char* label, int def, std::vector<Option> options,
             unsigned mask = 0) {
    Field f = Make(page, key, name, Kind::Choice, label);
    f.def = def;
    f.mask = mask;
    f.options = std::move(options);
    return f;
}

std::vector<Field> BuildFields() {
    const Settings& s = kSettings;
    std::vector<Field> f;
    // The bar and its clock.
    f.push_back(Check(pBar, kRegMain, "StayOnTop", "常に手前に表示する", kMain.stayOnTop));
    f.push_back(Check(pBar, kRegMain, "TaskTray", "タスクトレイにアイコンを表示する", kMain.taskTray));
    f.push_back(Check(pBar, kRegSettings, "ClockType", "時計に日付を表示する", true, 0x1110000));
    f.push_back(Check(pBar, kRegSettings, "ClockType", "時計に曜日を表示する", false, 0x1000));
    f.push_back(Check(pBar, kRegSettings, "ClockType", "時計に時刻を表示する", true, 0x110));
    for (Field& c : f)
        if (c.mask) c.def = (s.ClockType & static_cast<int>(c.mask)) != 0;
    f.push_back(Colour(pBar, kRegSettings, "Color", "時計の背景色", s.Color));
    f.push_back(Colour(pBar, kRegSettings, "FontColor", "時計の文字色", s.FontColor));
    f.push_back(Number(pBar, kRegSettings, "AniTime", "アニメーションの間隔（分）", s.AniTime, 0, 1440));
    // Showing dropped files.
    f.push_back(Number(pShow, kRegSettings, "Bmp", "画像の表示時間（秒）", s.Bmp, 1, kSecondsMax));
    f.push_back(Number(pShow, kRegSettings, "Scr", "スクリーンセーバー（秒）", s.Scr, 1, kSecondsMax));
    f.push_back(Number(pShow, kRegSettings, "All", "その他のファイル（秒）", s.All, 1, kSecondsMax));
    f.push_back(Check(pShow, kRegSettings, "Open", "その他のファイルも関連付けで開く", s.Open));
    f.push_back(Check(pShow, kRegSettings, "AutoLoadFiles", "ファイルを自動的に順に表示する", s.AutoLoadFiles));
    f.push_back(Check(pShow, kRegSettings, "UnpackFilesSelect", "書庫は展開せずに内容を一覧表示する",
                      s.UnpackFilesSelect));
    f.push_back(Text(pShow, Kind::Folder, kRegSettings, "VPath", "画像の保存先フォルダ"));
    f.push_back(Check(pShow, kRegSettings, "VMove", "画像を保存せずに移動する", false));
    // Packing and extracting.
    f.push_back(Choice(pPack, kRegSettings, "PackDef", "書庫作成方式", s.PackDef,
                       {{1, "LZH"}, {2, "CAB"}, {3, "ISH（ﾌｫﾙﾀﾞ未対応）"}, {4, "TGZ"}}));
    f.push_back(Choice(pPack, kRegSettings, "PackFN", "書庫ファイル名", s.PackFN,
                       {{0, "元のファイル名"}, {1, "今日の日付"}, {2, "元のファイルの日付"}}));
    f.push_back(Check(pPack, kRegSettings, "PackLevel1", "LZH: 元のファイルを書庫へ移動する", false, 0x10000000));
    f.push_back(Choice(pPack, kRegSettings, "PackLevel1", "LZH: 自己解凍形式", 3,
                       {{1, "1: 標準"}, {2, "2: -jw1x1"}, {3, "3: -gw1x1"}, {4, "4: -gw3x1"}}, 0x0FFF0000));
    f.push_back(Choice(pPack, kRegSettings, "PackLevel2", "CAB: 圧縮方式", 0,
                       {{0, "MSZIP"}, {15, "LZX 15"}, {16, "LZX 16"}, {17, "LZX 17"}, {18, "LZX 18"},
                        {19, "LZX 19"}, {20, "LZX 20"}, {21, "LZX 21"}},
                       0xFFFF));
    f.push_back(Choice(pPack, kRegSettings, "PackLevel3", "ISH: 変換方式", 0,
                       {{0, "ss"}, {1, "s8"}, {2, "s7"}, {3, "sn"}}, 0xFFFF));
    f.push_back(Choice(pPack, kRegSettings, "PackLevel3", "ISH: 出力形式", 0,
                       {{0, "m"}, {1, "u"}, {2, "c"}, {3, "9"}, {4, "?"}, {5, "*"}}, 0xFFFF0000));
    f.push_back(Choice(pPack, kRegSettings, "PackLevel4", "TGZ: 圧縮レベル", 1,
                       {{1, "1"}, {2, "2"}, {3, "3"}, {4, "4"}, {5, "5"}, {6, "6"}, {7, "7"}, {8, "8"}, {9, "9"}},
                       0xFFFF));
    for (Field& c : f)  // the option words' defaults, part by part
        if (c.page == pPack && c.mask) c.def = FieldPart(c, s.PackLevel[c.name[9] - '1']);
    f.push_back(Check(pPack, kRegSettings, "DDir", "結果を元のファイルのフォルダに作る", s.DDir));
    f.push_back(Check(pPack, kRegSettings, "AutoDir", "展開時に書庫名のフォルダを作る", s.AutoDir));
    f.push_back(Check(pPack, kRegSettings, "AutoDel1", "フォルダ名を数字の前で切る", s.AutoDel1));
    f.push_back(Check(pPack, kRegSettings, "AutoDel2", "フォルダ名を下線（_）の前で切る", s.AutoDel2));
    // Default folders and the Windows environment.
    static const char* const kPaths[] = {"Path1", "Path2", "Path3", "Path4", "Path5"};
    static const char* const kPathLabels[] = {"フォルダ 1", "フォルダ 2", "フォルダ 3", "フォルダ 4", "フォルダ 5"};
    for (int i = 0; i < 5; ++i) f.push_back(Text(pFolders, Kind::Folder, kRegSettings, kPaths[i], kPathLabels[i]));
    f.push_back(Choice(pFolders, kRegSettings, "PathDef", "デフォルトフォルダ", s.PathDef,
                       {{1, "フォルダ 1"}, {2, "フォルダ 2"}, {3, "フォルダ 3"}, {4, "フォルダ 4"}, {5, "フォルダ 5"}}));
    f.push_back(Choice(pFolders, kRegSettings, "AutoWin", "Windows 環境の自動保存", s.AutoWin,
                       {{0, "しない"}, {1, "起動時"}, {2, "終了時"}}));
    f.push_back(Text(pFolders, Kind::Info, kRegSettings, "DateWin", "Windows 環境の保存日時"));
    // Desktop icon labels.
    f.push_back(Check(pDesktop, kRegDesktop, "Transparent", "アイコンの文字の背景を透明にする", kDesktop.Transparent));
    f.push_back(Colour(pDesktop, kRegDesktop, "IconTextColor", "アイコンの文字の背景色", kDesktop.IconTextColor));
    f.back().noneAllowed = true;  // -1: the labels keep the desktop's own background
    f.push_back(Choice(pDesktop, kRegDesktop, "IconStyle", "アイコンの表示", kDesktop.IconStyle & 0x3,
                       {{0, "大きいアイコン"}, {1, "詳細"}, {2, "小さいアイコン"}, {3, "一覧"}}, 0x3));
    f.push_back(Check(pDesktop, kRegDesktop, "IconStyle", "スクロールしない", (kDesktop.IconStyle & 0x2000) != 0, 0x2000));
    // FTP.
    f.push_back(Text(pFtp, Kind::Text, kRegFtp, "RemoteHost", "サーバー"));
    f.push_back(Text(pFtp, Kind::Text, kRegFtp, "UserID", "ユーザー名"));
    f.push_back(Text(pFtp, Kind::Secret, kRegFtp, "Password", "パスワード"));
    f.push_back(Number(pFtp, kRegFtp, "ConnectTimeOut", "接続の待ち時間（ミリ秒）", kFtp.ConnectTimeOut, 0, INT_MAX));
    f.push_back(Number(pFtp, kRegFtp, "ReceiveTimeOut", "受信の待ち時間（ミリ秒）", kFtp.ReceiveTimeOut, 0, INT_MAX));
    f.push_back(Text(pFtp, Kind::Text, kRegFtp, "TxtType", "テキストで送る拡張子", kFtp.TxtType.c_str()));
    // Window places. The bar's own place and layout are not among them: the
    // bar keeps them itself and writes them when it closes.
    f.push_back(Number(pPlaces, kRegView, "Left", "画像ウィンドウの左端", 0, kCoordMin, kCoordMax));
    f.push_back(Number(pPlaces, kRegView, "Top", "画像ウィンドウの上端", 0, kCoordMin, kCoordMax));
    f.push_back(Number(pPlaces, kRegPlay, "Left", "コントローラの左端", 0, kCoordMin, kCoordMax));
    f.push_back(Number(pPlaces, kRegPlay, "Top", "コントローラの上端", 0, kCoordMin, kCoordMax));
    return f;
}

unsigned Shift(unsigned mask) {
    unsigned shift = 0;
    while (mask && !(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The default of a whole value: the parts of all fields that share it.
Value DefaultValue(const Field& field) {
    Value v;
    if (field.isText()) {
        v.text = field.defText;
        return v;
    }
    if (!field.mask) {
        v.number = field.def;
        return v;
    }
    for (const Field& f : SetupFields())
        if (ValueId(f) == ValueId(field)) v.number = WithPart(f, v.number, f.def);
    return v;
}

}  // namespace

const std::vector<std::string>& SetupPages() {
    static const std::vector<std::string> pages = {"バー", "表示", "書庫", "フォルダ", "デスクトップ", "FTP", "位置"};
    return pages;
}

const std::vector<Field>& SetupFields() {
    static const std::vector<Field> fields = BuildFields();
    return fields;
}

int FindField(const char* key, const char* name, unsigned mask) {
    const auto& fields = SetupFields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (std::string(fields[i].key) == key && std::string(fields[i].name) == name && fields[i].mask == mask)
            return static_cast<int>(i);
    return -1;
}

int FieldPart(const Field& f, int value) {
    const unsigned v = static_cast<unsigned>(value);
    if (f.kind == Kind::Check) return f.mask ? (v & f.mask) != 0 : value != 0;
    if (f.kind == Kind::Choice && f.mask) return static_cast<int>((v & f.mask) >> Shift(f.mask));
    return value;
}

int WithPart(const Field& f, int value, int part) {
    const unsigned v = static_cast<unsigned>(value);
    if (f.kind == Kind::Check) {
        // Unchanged: the value stays as stored (a boolean stored as 5, the
        // group's own bits).
        if ((part != 0) == (FieldPart(f, value) != 0)) return value;
        if (!f.mask) return part ? 1 : 0;
        return static_cast<int>(part ? v | f.mask : v & ~f.mask);
    }
    if (f.kind == Kind::Choice && f.mask)
        return static_cast<int>((v & ~f.mask) | ((static_cast<unsigned>(part) << Shift(f.mask)) & f.mask));
    return part;
}

bool ParseNumber(const Field& f, const std::string& text, int* out) {
    size_t b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
    if (b == std::string::npos) return false;
    const std::string t = text.substr(b, e - b + 1);
    size_t i = t[0] == '-' ? 1 : 0;
    if (i == t.size() || t.size() - i > 11) return false;
    for (size_t j = i; j < t.size(); ++j)
        if (t[j] < '0' || t[j] > '9') return false;
    const long long n = std::strtoll(t.c_str(), nullptr, 10);
    if (n < f.min || n > f.max) return false;
    *out = static_cast<int>(n);
    return true;
}

std::string FolderText(const std::string& shown, const std::string& stored) {
    return shown == stored ? shown : FolderPrefix(shown);
}

std::string ValueId(const Field& f) { return std::string(f.key) + "\\" + f.name; }

Values ReadValues() {
    Values values;
    std::map<std::string, RegKey> keys;
    for (const Field& f : SetupFields()) {
        const std::string id = ValueId(f);
        if (values.count(id)) continue;
        RegKey& key = keys[f.key];
        if (!key) key.Open(f.key);
        const Value def = DefaultValue(f);
        Value v;
        if (f.isText())
            v.text = RegReadStr(key.get(), f.name, def.text);
        else
            v.number = RegReadInt(key.get(), f.name, def.number);
        values[id] = v;
    }
    return values;
}

bool WriteChanged(const Values& original, const Values& edited) {
    bool ok = true;
    std::map<std::string, bool> done;  // values shared by several controls are written once
    for (const Field& f : SetupFields()) {
        if (f.kind == Kind::Info) continue;
        const std::string id = ValueId(f);
        if (done[id]) continue;
        done[id] = true;
        auto o = original.find(id), e = edited.find(id);
        if (e == edited.end() || (o != original.end() && o->second == e->second)) continue;
        RegKey key;
        if (!key.Create(f.key)) {
            ok = false;
            continue;
        }
        ok &= f.isText() ? RegWriteStr(key.get(), f.name, e->second.text)
                         : RegWriteInt(key.get(), f.name, e->second.number);
    }
    return ok;
}

}  // namespace qaz::setup
