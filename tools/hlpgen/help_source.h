// The help text as written in the repository: topics, paragraphs and runs.
//
// Source syntax, one paragraph per line:
//   # comment                   ignored
//   !title Text                 title of the help file
//   !copyright Text             copyright line of the help file
//   = context Title             starts a topic (context: letters, digits, '_' and '.')
//   == Text                     heading inside a topic
//   - Text                      bullet item
//   > Text                      indented paragraph
//   Text                        body paragraph
// Inside a paragraph: **bold** and [[context|text]] for a jump to a topic.
#pragma once

#include <string>
#include <vector>

namespace qaz::hlpgen {

struct Run {
    enum Kind { kPlain, kBold, kJump };
    Kind kind = kPlain;
    std::string text;
    std::string target;  // context of a jump
};

struct Paragraph {
    enum Style { kTitle, kHeading, kBody, kBullet, kIndent };
    Style style = kBody;
    std::vector<Run> runs;
};

struct Topic {
    std::string context;
    std::string title;
    std::vector<Paragraph> paragraphs;  // the first one shows the title
};

struct HelpBook {
    std::string title;
    std::string copyright;
    std::string face_name;  // font of every paragraph
    std::vector<Topic> topics;
};

// Reads the source text; throws std::runtime_error naming the line of a
// fault (unknown jump target, repeated or malformed context, text outside a
// topic, unclosed markup).
HelpBook ParseHelpSource(const std::string& text);

// True for a context name the help format accepts.
bool IsValidContext(const std::string& context);

}  // namespace qaz::hlpgen
