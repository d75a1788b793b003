// The preview's own script. It runs in the application's script world once the
// page is parsed, after highlight.js and KaTeX when the page needs them: it
// highlights fenced code that names its language and draws the formula images
// with KaTeX (those near the view at once, the others as they come near it),
// scrolls to the block the source editor shows at its top, and puts a new
// version of the page in place of the shown one by parsing and replacing only
// the top-level blocks that changed.
// The program puts the formula service's address in place of FORMULA_PREFIX.
(function () {
  'use strict';
  // The page was kept out of layout while it was parsed; now it shows.
  if (window.glyphmillParsingSheet) {
    document.adoptedStyleSheets =
        document.adoptedStyleSheets.filter((sheet) => sheet !== window.glyphmillParsingSheet);
  }
  const formulaPrefix = 'FORMULA_PREFIX';

  // The language a code element's class names, as highlight.js knows it.
  function languageOf(code) {
    for (const name of code.classList) {
      const language = name.startsWith('language-') ? name.substring(9) : name;
      if (hljs.getLanguage(language)) return language;
    }
    return null;
  }

  // The elements among `nodes` and within them that match `selector`; all of
  // the document's when `nodes` is null.
  function elementsIn(nodes, selector) {
    if (nodes === null) return Array.from(document.querySelectorAll(selector));
    const found = [];
    for (const node of nodes) {
      if (node.nodeType !== Node.ELEMENT_NODE) continue;
      if (node.matches(selector)) found.push(node);
      for (const inner of node.querySelectorAll(selector)) found.push(inner);
    }
    return found;
  }

  // The code elements among `nodes` (all the page's when null) in a language
  // highlight.js knows.
  function codeToHighlight(nodes) {
    if (typeof hljs === 'undefined') return [];
    return elementsIn(nodes, 'pre > code[class]').filter((code) => languageOf(code) !== null);
  }

  function highlightCode(code) {
    code.innerHTML = hljs.highlight(languageOf(code), code.textContent, true).value;
    code.classList.add('hljs');
  }

  // The TeX of a formula image: its alternative text without the space the
  // converter puts after it, or else the formula in its address.
  function formulaText(image) {
    const alt = image.getAttribute('alt');
    if (alt !== null && alt !== '') return alt.endsWith(' ') ? alt.slice(0, -1) : alt;
    return image.getAttribute('src').substring(formulaPrefix.length).replace(/%2b/gi, '+');
  }

  function drawFormula(image) {
    const tex = formulaText(image);
    const span = document.createElement('span');
    try {
      katex.render(tex, span, {throwOnError: true, displayMode: false});
      span.className = 'formula';
    } catch (error) {
      span.className = 'formula-error';
      span.textContent = tex;
      span.title = String(error.message || error);
    }
    image.replaceWith(span);
  }

  let katexStyleAdded = false;
  function addKatexStyle() {
    if (katexStyleAdded) return;
    const style = document.createElement('link');
    style.rel = 'stylesheet';
    style.href = window.location.origin + '/katex.css';
    document.head.appendChild(style);
    katexStyleAdded = true;
  }

  // The formula images among `nodes` (all the page's when null).
  function formulaImages(nodes) {
    if (typeof katex === 'undefined') return [];
    return elementsIn(nodes, 'img').filter(
        (image) => (image.getAttribute('src') || '').startsWith(formulaPrefix));
  }

  // Code and formulas still to be done, and the watch that does each once it
  // comes within `nearMargin` pixels of the view (a few screens). A long page
  // so shows at once, instead of after every code block and formula in it.
  const nearMargin = 1500;
  const pending = new Set();
  const nearView = new IntersectionObserver((entries) => {
    for (const entry of entries) {
      if (entry.isIntersecting) finish(entry.target);
    }
  }, {rootMargin: nearMargin + 'px 0px'});

  function finish(element) {
    if (!pending.delete(element)) return;
    nearView.unobserve(element);
    if (element.tagName === 'IMG') {
      drawFormula(element);
    } else {
      highlightCode(element);
    }
  }

  function isNearView(box) {
    return box.bottom >= -nearMargin && box.top <= window.innerHeight + nearMargin;
  }

  // Takes on the code and formulas among `nodes` (all the page's when null):
  // those near the view now, the others when they come near it.
  function prepare(nodes) {
    const code = codeToHighlight(nodes);
    const formulas = formulaImages(nodes);
    if (formulas.length > 0) addKatexStyle();
    const targets = code.concat(formulas);
    // Every place is read before anything changes, so the page is laid out
    // once; a page nobody sees (one made for saving) is done at once.
    const unseen = document.visibilityState === 'hidden';
    const near = targets.map((element) => unseen || isNearView(element.getBoundingClientRect()));
    targets.forEach((element, i) => {
      pending.add(element);
      if (!near[i]) nearView.observe(element);
    });
    targets.forEach((element, i) => {
      if (near[i]) finish(element);
    });
  }

  // Forgets the code and formulas among `nodes`, which left the page.
  function forget(nodes) {
    for (const element of elementsIn(nodes, 'pre > code[class], img')) {
      if (pending.delete(element)) nearView.unobserve(element);
    }
  }

  // Does all the code and formulas still to be done (a page to be saved
  // rather than looked at), and lays the page out so its fonts are asked for.
  function finishPage() {
    for (const element of Array.from(pending)) finish(element);
    document.body.getBoundingClientRect();
    return true;
  }

  // The page's top-level blocks and the places of its headlines among them.
  let blocks = null;
  let headlines = null;
  function findBlocks() {
    blocks = Array.from(document.body.children).filter(
        (element) => !['SCRIPT', 'STYLE', 'LINK', 'META', 'TITLE', 'BASE'].includes(element.tagName));
    headlines = [];
    blocks.forEach((element, index) => {
      if (/^H[1-6]$/.test(element.tagName)) headlines.push(index);
    });
  }

  // Scrolls so that the `offset`-th block after the `headline`-th headline
  // (-1: from the first block) is at the top, `fraction` of the way into it.
  function scrollToBlock(headline, offset, fraction) {
    if (document.body === null) return;
    if (blocks === null) findBlocks();
    if (blocks.length === 0) return;
    let index = offset;
    let limit = headlines.length > 0 ? headlines[0] - 1 : blocks.length - 1;
    if (headline >= 0 && headlines.length > 0) {
      const which = Math.min(headline, headlines.length - 1);
      index = headlines[which] + offset;
      limit = which + 1 < headlines.length ? headlines[which + 1] - 1 : blocks.length - 1;
    }
    index = Math.max(0, Math.min(index, Math.max(limit, 0), blocks.length - 1));
    const box = blocks[index].getBoundingClientRect();
    const top = box.top + window.scrollY + fraction * box.height;
    window.scrollTo(window.scrollX, Math.max(0, top - 4));
  }

  // Whether two elements carry the same attributes with the same values.
  function sameAttributes(a, b) {
    if (a.attributes.length !== b.attributes.length) return false;
    for (const attribute of a.attributes) {
      if (b.getAttributeNS(attribute.namespaceURI, attribute.localName) !== attribute.value) return false;
    }
    return true;
  }

  // Whether two parsed pages are the same apart from the children of their
  // bodies: doctype, html and body attributes, head, nodes around them.
  function sameOutsideBody(a, b) {
    if (a.childNodes.length !== b.childNodes.length) return false;
    for (let i = 0; i < a.childNodes.length; ++i) {
      const nodeA = a.childNodes[i], nodeB = b.childNodes[i];
      if (nodeA === a.documentElement && nodeB === b.documentElement) continue;
      if (!nodeA.isEqualNode(nodeB)) return false;
    }
    const htmlA = a.documentElement, htmlB = b.documentElement;
    if (htmlA === null || htmlB === null || a.body === null || b.body === null) return false;
    if (!sameAttributes(htmlA, htmlB) || !sameAttributes(a.body, b.body)) return false;
    if (htmlA.childNodes.length !== htmlB.childNodes.length) return false;
    for (let i = 0; i < htmlA.childNodes.length; ++i) {
      const nodeA = htmlA.childNodes[i], nodeB = htmlB.childNodes[i];
      if (nodeA === a.body && nodeB === b.body) continue;
      if (!nodeA.isEqualNode(nodeB)) return false;
    }
    return true;
  }

  // The shown page's text as the program made it; given once the page has
  // loaded and kept up to date by every change since.
  let shownText = null;

  function parsedPage(text) {
    return new DOMParser().parseFromString(text, 'text/html');
  }

  // Puts `nodes` (of a parsed page) in place of the `count` live body nodes
  // from the `first`-th on; only the new nodes are highlighted and drawn.
  function replaceNodes(first, count, nodes) {
    const live = document.body.childNodes;
    const following = first + count < live.length ? live[first + count] : null;
    const removed = Array.prototype.slice.call(live, first, first + count);
    forget(removed);
    for (const node of removed) node.remove();
    const added = [];
    for (const node of nodes) {
      const imported = document.importNode(node, true);
      document.body.insertBefore(imported, following);
      added.push(imported);
    }
    blocks = null;
    prepare(added);
  }

  // The whole-page way: the new page is parsed and compared, top-level node
  // by top-level node, with the shown one as it was parsed.
  let shownAsParsed = null;
  function replaceChangedNodes(pageText) {
    if (shownAsParsed === null) shownAsParsed = parsedPage(shownText);
    const next = parsedPage(pageText);
    if (!sameOutsideBody(shownAsParsed, next)) return false;
    const old = Array.from(shownAsParsed.body.childNodes);
    const now = Array.from(next.body.childNodes);
    if (document.body.childNodes.length !== old.length) return false;
    let start = 0;
    while (start < old.length && start < now.length && old[start].isEqualNode(now[start])) ++start;
    let end = 0;
    while (end < old.length - start && end < now.length - start &&
           old[old.length - 1 - end].isEqualNode(now[now.length - 1 - end])) {
      ++end;
    }
    replaceNodes(start, old.length - end - start, now.slice(start, now.length - end));
    shownAsParsed = next;
    return true;
  }

  // The quick way, for a change within the body: the body's text is cut into
  // pieces at the lines that start a top-level element, and only the pieces
  // the change touches are parsed again, each on its own. A piece parses
  // alone as within the page when it leaves nothing open behind it: a marker
  // put after it must come out as the last node of the body, empty.
  const voidElements = new Set(['area', 'base', 'br', 'col', 'embed', 'hr', 'img', 'input', 'link',
    'meta', 'param', 'source', 'track', 'wbr']);
  const rawTextElements = new Set(['script', 'style', 'textarea', 'title', 'xmp', 'iframe',
    'noembed', 'noframes', 'noscript', 'plaintext']);
  const formattingElements = new Set(['a', 'b', 'big', 'code', 'em', 'font', 'i', 'nobr', 's',
    'small', 'strike', 'strong', 'tt', 'u']);
  // Tags that change the page outside the body wherever they are.
  const pageTags = /<(html|head|body|frameset)[\s/>]/i;
  const cutMarker = '<span data-glyphmill-cut></span>';
  const tagStart = /<(\/?)([A-Za-z][A-Za-z0-9-]*)/y;

  // The place of the ">" that ends the tag whose name ends at `i`, passing
  // over quoted attribute values; -1 when there is none.
  function tagEnd(text, i) {
    let valueNext = false;
    for (; i < text.length; ++i) {
      const c = text[i];
      if (c === '>') return i;
      if (valueNext && (c === '"' || c === "'")) {
        const close = text.indexOf(c, i + 1);
        if (close < 0) return -1;
        i = close;
        valueNext = false;
      } else if (c === '=') {
        valueNext = true;
      } else if (c !== ' ' && c !== '\t' && c !== '\n' && c !== '\r' && c !== '\f') {
        valueNext = false;
      }
    }
    return -1;
  }

  // The pieces of `text` from `from` to `to` (a place where no element is
  // open): their starts, the name of the element each starts with (null for
  // the first, which may start with text), the number of elements each holds
  // at its top level, and whether every element opened in them is closed by
  // `to`. An end tag
  // closes the innermost open element of its name and those within it; one
  // with no such element open is passed over, as the HTML parser does.
  function cutIntoPieces(text, from, to) {
    const pieces = [];
    const open = [];
    let stuck = false;
    let i = from;
    let current = {start: from, name: null, elements: 0};
    pieces.push(current);
    while (i < to) {
      const lt = text.indexOf('<', i);
      if (lt < 0 || lt >= to) break;
      if (text.startsWith('<!--', lt)) {
        const close = text.indexOf('-->', lt + 4);
        if (close < 0 || close + 3 > to) return {pieces, closed: false};
        i = close + 3;
        continue;
      }
      tagStart.lastIndex = lt;
      const tag = tagStart.exec(text);
      const end = tag === null ? -1 : tagEnd(text, tagStart.lastIndex);
      if (tag === null || end < 0 || end >= to) {
        i = lt + 1;
        continue;
      }
      const name = tag[2].toLowerCase();
      i = end + 1;
      if (tag[1] === '/') {
        const at = open.lastIndexOf(name);
        if (at < 0) continue;
        // Formatting elements closed this way stay active: the parser opens
        // them again in what follows, so nothing after is cut off.
        if (open.slice(at + 1).some((inner) => formattingElements.has(inner))) stuck = true;
        open.length = at;
        continue;
      }
      if (open.length === 0 && !stuck) {
        if (lt > from && text[lt - 1] === '\n' && lt !== current.start) {
          current = {start: lt, name, elements: 0};
          pieces.push(current);
        }
        ++current.elements;
      }
      // A "/>" closes nothing in HTML but a void element: the element stays
      // open, as the parser has it (or the rest is one piece, which is safe).
      if (rawTextElements.has(name)) {
        const endTag = new RegExp('</' + name, 'ig');
        endTag.lastIndex = i;
        const close = endTag.exec(text);
        if (close === null || close.index >= to) return {pieces, closed: false};
        i = close.index;
      } else if (!voidElements.has(name)) {
        open.push(name);
      }
    }
    return {pieces, closed: open.length === 0 && !stuck};
  }

  // The cut of the shown page: where its body's text starts and ends, the
  // text before it (parsed again with every piece), and the pieces with the
  // number of live body nodes each one made. Null when the page cannot be cut
  // or its live body does not match the cut.
  let cut = null;
  function cutShownPage() {
    const bodyTag = '<body>';
    const open = shownText.indexOf(bodyTag);
    const close = shownText.lastIndexOf('</body>');
    if (open < 0 || close < open) return null;
    const bodyStart = open + bodyTag.length;
    const found = cutIntoPieces(shownText, bodyStart, close);
    const live = document.body.childNodes;
    const pieces = found.pieces;
    // Each piece's nodes run from its first element to the next piece's.
    let node = 0;
    for (let k = 0; k < pieces.length; ++k) {
      const piece = pieces[k];
      const first = node;
      if (piece.name !== null && (node >= live.length ||
          live[node].nodeType !== Node.ELEMENT_NODE || live[node].localName !== piece.name)) {
        return null;
      }
      let elements = 0;
      while (node < live.length) {
        if (live[node].nodeType === Node.ELEMENT_NODE) {
          if (elements === piece.elements && k + 1 < pieces.length) break;
          ++elements;
        }
        ++node;
      }
      piece.count = node - first;
    }
    if (node !== live.length) return null;
    return {head: shownText.slice(0, bodyStart), bodyStart, bodyEnd: close, pieces};
  }

  // The nodes `pieceText` makes as a piece of the page (`last`: the body's
  // last piece, the page's end after it), or null when it does not parse alone.
  function parsePiece(pieceText, last, tail) {
    const page = parsedPage(cut.head + pieceText + (last ? tail : cutMarker));
    const nodes = Array.from(page.body.childNodes);
    if (last) return nodes;
    const marker = nodes.pop();
    if (marker === undefined || marker.nodeType !== Node.ELEMENT_NODE ||
        !marker.hasAttribute('data-glyphmill-cut') || marker.hasChildNodes()) {
      return null;
    }
    return nodes;
  }

  // The index of the piece that holds the character at `position`.
  function pieceAt(position) {
    let low = 0, high = cut.pieces.length - 1;
    while (low < high) {
      const middle = (low + high + 1) >> 1;
      if (cut.pieces[middle].start <= position) low = middle; else high = middle - 1;
    }
    return low;
  }

  // Changes the shown page into `pageText`, which differs from it only in
  // the text from `start` to `oldEnd` (in the shown page); false when that
  // cannot be done by pieces, with the page left as it was.
  function replaceChangedPieces(pageText, start, oldEnd) {
    if (cut === null) cut = cutShownPage();
    if (cut === null) return false;
    // The head and what follows the body stay as they are.
    const tail = shownText.slice(cut.bodyEnd);
    if (start < cut.bodyStart || !pageText.endsWith(tail)) return false;
    // The pieces around the change, from the one before its first character
    // to the one holding the first character after it; when that is the
    // last, the one before it too, as the last piece parses with the page's end.
    const last = pieceAt(Math.min(cut.bodyEnd - 1, oldEnd));
    const isLast = last === cut.pieces.length - 1;
    let first = pieceAt(Math.max(cut.bodyStart, start - 1));
    if (isLast) first = Math.max(0, Math.min(first, last - 1));
    const shift = pageText.length - shownText.length;
    const from = cut.pieces[first].start;
    const to = (isLast ? cut.bodyEnd : cut.pieces[last + 1].start) + shift;
    if (to < from || pageTags.test(pageText.slice(from, to))) return false;
    const found = cutIntoPieces(pageText, from, to);
    if (!found.closed && !isLast) return false;
    const nodes = [];
    const pieces = found.pieces;
    for (let k = 0; k < pieces.length; ++k) {
      const end = k + 1 < pieces.length ? pieces[k + 1].start : to;
      const made = parsePiece(pageText.slice(pieces[k].start, end), isLast && k + 1 === pieces.length, tail);
      if (made === null) return false;
      pieces[k].count = made.length;
      for (const node of made) nodes.push(node);
    }
    let firstNode = 0;
    for (let k = 0; k < first; ++k) firstNode += cut.pieces[k].count;
    let oldCount = 0;
    for (let k = first; k <= last; ++k) oldCount += cut.pieces[k].count;
    replaceNodes(firstNode, oldCount, nodes);
    cut.pieces.splice(first, last - first + 1, ...pieces);
    for (let k = first + pieces.length; k < cut.pieces.length; ++k) cut.pieces[k].start += shift;
    cut.bodyEnd += shift;
    return true;
  }

  // How the last change was made, 'pieces' or 'page' (for tests).
  window.glyphmillChangedBy = null;

  // Keeps `pageText`, the text of the page just loaded, and cuts it into
  // pieces now, so the first change after a load costs what the others do.
  function knowPage(pageText) {
    shownText = pageText;
    shownAsParsed = null;
    cut = document.body === null ? null : cutShownPage();
    return true;
  }

  // Shows, in place of the shown page, the page made of it by putting
  // `middle` in place of all but its first `start` and last `kept`
  // characters. False, with the page left as it was, when the shown page's
  // text is not known, the new page differs outside its body or the shown
  // body is not the parsed one any more; the program loads it then.
  function changePage(start, kept, middle) {
    if (document.body === null || shownText === null) return false;
    const oldEnd = shownText.length - kept;
    const next = shownText.slice(0, start) + middle + shownText.slice(oldEnd);
    if (replaceChangedPieces(next, start, oldEnd)) {
      shownAsParsed = null;
      window.glyphmillChangedBy = 'pieces';
    } else {
      cut = null;
      if (!replaceChangedNodes(next)) return false;
      window.glyphmillChangedBy = 'page';
    }
    shownText = next;
    return true;
  }

  if (document.body !== null) prepare(null);
  window.glyphmillScrollToBlock = scrollToBlock;
  window.glyphmillFinishPage = finishPage;
  window.glyphmillKnowPage = knowPage;
  window.glyphmillChangePage = changePage;
  document.documentElement.setAttribute('data-glyphmill-ready', '1');
})();
