// The GitHub dialect: GitHub Flavored Markdown read by cmark-gfm, in its own
// library so that the engine's library depends on nothing but ICU.
#pragma once

namespace glyphmill {

// Lets TMarkdownProcessor::CreateDialect make mdGitHub processors. A program
// that offers the GitHub dialect calls this once at start-up.
void registerGitHubDialect();

}  // namespace glyphmill
