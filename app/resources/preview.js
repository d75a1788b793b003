// The preview's own script. It runs in the application's script world once the
// page is parsed, after highlight.js and KaTeX when the page needs them: it
// highlights fenced code that names its language, draws the formula images
// with KaTeX, and scrolls to the block the source editor shows at its top.
// The program puts the formula service's address in place of FORMULA_PREFIX.
(function () {
  'use strict';
  const formulaPrefix = 'FORMULA_PREFIX';

  // The language a code element's class names, as highlight.js knows it.
  function languageOf(code) {
    for (const name of code.classList) {
      const language = name.startsWith('language-') ? name.substring(9) : name;
      if (hljs.getLanguage(language)) return language;
    }
    return null;
  }

  function highlightCode() {
    if (typeof hljs === 'undefined') return;
    for (const code of document.querySelectorAll('pre > code[class]')) {
      const language = languageOf(code);
      if (language === null) continue;
      code.innerHTML = hljs.highlight(language, code.textContent, true).value;
      code.classList.add('hljs');
    }
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

  function drawFormulas() {
    if (typeof katex === 'undefined') return;
    const images = Array.from(document.images).filter(
        (image) => (image.getAttribute('src') || '').startsWith(formulaPrefix));
    if (images.length === 0) return;
    const style = document.createElement('link');
    style.rel = 'stylesheet';
    style.href = window.location.origin + '/katex.css';
    document.head.appendChild(style);
    for (const image of images) drawFormula(image);
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

  highlightCode();
  drawFormulas();
  window.glyphmillScrollToBlock = scrollToBlock;
  document.documentElement.setAttribute('data-glyphmill-ready', '1');
})();
