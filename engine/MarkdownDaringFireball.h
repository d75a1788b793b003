// The one Markdown engine; the other dialects are this engine with another
// dialect set in its configuration.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "MarkdownProcessor.h"
#include "MarkdownUtils.h"

namespace glyphmill {

class TMarkdownDaringFireball : public TMarkdownProcessor {
 public:
  TMarkdownDaringFireball();
  ~TMarkdownDaringFireball() override;

  bool GetAllowUnsafe() const override;
  void SetAllowUnsafe(bool value) override;
  std::u16string Process(const std::u16string& source) override;
  std::u16string Process(std::u16string&& source) override;
  void ProcessTo(std::u16string&& source, const THtmlSink& write) override;

  // The stages of Process, public so that they can be exercised one by one.
  // Reads the text into a root block, registering reference definitions.
  // Lines share their characters with the reader's source, which must
  // outlive them; with a pool, they are made in it, which must outlive them
  // too. So are the root and the blocks made from it, with a block pool.
  std::unique_ptr<TBlock> collectLines(TMarkdownReader& reader, TLinePool* pool = nullptr,
                                       TBlockPool* blocks = nullptr);
  // Turns the lines of root into child blocks (listMode: root is a list item).
  void buildBlocks(TBlock* root, bool listMode);
  // Receives a block that is built completely, to be written and released.
  using TBlockSink = std::function<void(std::unique_ptr<TBlock> block)>;
  // Like buildBlocks(root, false), but hands each child block to `finished`
  // as soon as it is complete instead of keeping it in root, so a document's
  // blocks need not all be held at once.
  void buildBlocks(TBlock* root, const TBlockSink& finished);

  TEmitter& emitter() { return *Femitter; }
  bool FuseExtensions = false;

 private:
  // Process and ProcessTo. `consumed`, when given, is the source, let go once
  // it is converted; with `write`, the HTML goes there and nothing is returned.
  std::u16string convert(const std::u16string& source, std::u16string* consumed,
                         const THtmlSink* write);
  bool readDefinition(TLine& line, TLinkRef*& pending);
  void splitListItems(TBlock* list);

  std::unique_ptr<TEmitter> Femitter;
};

}  // namespace glyphmill
