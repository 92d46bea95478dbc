// The values of the settings tree that the settings dialog edits: where each
// lives, its type, default and range, and the control that edits it.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace qaz::setup {

enum class Kind {
    Check,   // check box: a boolean, or a group of bits of an integer
    Number,  // integer in a range
    Colour,  // 0x00BBGGRR, chosen with the colour chooser; -1 none
    Folder,  // folder path, chosen with the folder chooser
    Text,
    Secret,  // text shown as dots
    Choice,  // one of a list: a whole integer or a group of its bits
    Info,    // shown, never written
};

struct Option {
    int value;
    const char* text;
};

struct Field {
    int page = 0;
    const char* key = "";  // under HKEY_CURRENT_USER
    const char* name = "";
    Kind kind = Kind::Text;
    const char* label = "";
    int def = 0;  // integer values
    const char* defText = "";
    int min = 0, max = 0;  // Number
    // For Check and Choice: the bits of the integer this control owns (0:
    // the whole value). Other bits of the value are kept as they are.
    unsigned mask = 0;
    std::vector<Option> options;  // Choice
    bool noneAllowed = false;     // Colour: may be set back to -1 (none)

    bool isText() const { return kind == Kind::Folder || kind == Kind::Text || kind == Kind::Secret || kind == Kind::Info; }
};

// The pages of the dialog, in order.
const std::vector<std::string>& SetupPages();
// Every value of the tree, page by page.
const std::vector<Field>& SetupFields();
// Index of the field editing key\name (and, for shared values, the bits of
// mask), or -1.
int FindField(const char* key, const char* name, unsigned mask = 0);

// What a check box or choice shows of an integer value: its bit group
// (shifted down), 0 or 1 for a check box; the value itself for the others.
int FieldPart(const Field& f, int value);
// The integer value after the control of f was set to part; a check box
// left as it was keeps the value as stored.
int WithPart(const Field& f, int value, int part);
// Reads a decimal integer (an optional minus sign and digits, blanks around
// allowed) within the field's range.
bool ParseNumber(const Field& f, const std::string& text, int* out);

// What a folder field writes: the stored text when it was left as it was,
// otherwise the typed or chosen folder with its final '\' (names are
// appended to it directly), or empty.
std::string FolderText(const std::string& shown, const std::string& stored);

// A registry value as the dialog holds it.
struct Value {
    int number = 0;
    std::string text;
    bool operator==(const Value& o) const { return number == o.number && text == o.text; }
    bool operator!=(const Value& o) const { return !(*this == o); }
};
// Values by "key\name".
using Values = std::map<std::string, Value>;
std::string ValueId(const Field& f);

// Reads every value of the fields; absent or mistyped ones give the default.
Values ReadValues();
// Writes the values of edited that differ from original; false when a
// write failed.
bool WriteChanged(const Values& original, const Values& edited);

}  // namespace qaz::setup
