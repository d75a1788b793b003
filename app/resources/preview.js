// The preview's own script. It runs in the application's script world once the
// page is parsed, after highlight.js and KaTeX when the page needs them: it
// highlights fenced code that names its language and draws the formula images
// with KaTeX (those near the view at once, the others as they come near it),
// scrolls to the block the source editor shows at its top, and puts a new
// version of the page in place of the shown one by replacing only the
// top-level blocks that changed.
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

  // The shown page as it was parsed, before this script changed it: what the
  // next version is compared with. Parsed from the program's copy of the
  // page on the first update after a load.
  let shownAsParsed = null;
  function parsedPage(text) {
    return new DOMParser().parseFromString(text, 'text/html');
  }

  // Shows the page `pageText` in place of the shown one, whose text is
  // `shownText` (needed only on the first update after a load): the top-level
  // nodes of the body that differ are replaced, the common start and end are
  // kept, and only the new nodes are highlighted and drawn. False, with the
  // page left as it was, when the new page differs outside its body or the
  // shown body is not the parsed one any more; the program loads it then.
  function updatePage(pageText, shownText) {
    if (document.body === null) return false;
    if (shownAsParsed === null) {
      if (typeof shownText !== 'string') return false;
      shownAsParsed = parsedPage(shownText);
    }
    const next = parsedPage(pageText);
    if (!sameOutsideBody(shownAsParsed, next)) return false;
    const live = Array.from(document.body.childNodes);
    const old = Array.from(shownAsParsed.body.childNodes);
    const now = Array.from(next.body.childNodes);
    if (live.length !== old.length) return false;
    let start = 0;
    while (start < old.length && start < now.length && old[start].isEqualNode(now[start])) ++start;
    let end = 0;
    while (end < old.length - start && end < now.length - start &&
           old[old.length - 1 - end].isEqualNode(now[now.length - 1 - end])) {
      ++end;
    }
    const following = end > 0 ? live[live.length - end] : null;
    const removed = live.slice(start, live.length - end);
    forget(removed);
    for (const node of removed) node.remove();
    const added = [];
    for (let i = start; i < now.length - end; ++i) {
      const node = document.importNode(now[i], true);
      document.body.insertBefore(node, following);
      added.push(node);
    }
    shownAsParsed = next;
    blocks = null;
    prepare(added);
    return true;
  }

  if (document.body !== null) prepare(null);
  window.glyphmillScrollToBlock = scrollToBlock;
  window.glyphmillFinishPage = finishPage;
  window.glyphmillUpdatePage = updatePage;
  document.documentElement.setAttribute('data-glyphmill-ready', '1');
})();
