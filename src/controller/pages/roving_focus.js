'use strict';

// One tab stop for a list of many buttons: Tab reaches the list once, the arrow keys move
// inside it (left and right through every button, up and down to the neighbouring row at
// about the same place), Home and End go to the ends.
(function (LM) {
  LM.rovingFocus = function (list, itemSelector, rowSelector, keyOf) {
    let stopKey = null;

    function items() {
      return Array.from(list.querySelectorAll(itemSelector)).filter((b) => !b.disabled);
    }

    function moveTo(target) {
      if (!target) {
        return;
      }
      for (const item of items()) {
        item.tabIndex = item === target ? 0 : -1;
      }
      stopKey = keyOf(target);
      target.focus();
    }

    function rowNeighbour(from, step) {
      const rows = Array.from(list.querySelectorAll(rowSelector));
      const row = from.closest(rowSelector);
      const place = Array.from(row.querySelectorAll(itemSelector)).indexOf(from);
      for (let at = rows.indexOf(row) + step; at >= 0 && at < rows.length; at += step) {
        const candidates = Array.from(rows[at].querySelectorAll(itemSelector)).filter((b) => !b.disabled);
        if (candidates.length > 0) {
          return candidates[Math.min(place, candidates.length - 1)];
        }
      }
      return null;
    }

    list.addEventListener('keydown', (event) => {
      const all = items();
      const at = all.indexOf(event.target);
      if (at < 0 || event.altKey || event.ctrlKey || event.metaKey) {
        return;
      }
      const moves = {
        ArrowLeft: () => all[at - 1],
        ArrowRight: () => all[at + 1],
        ArrowUp: () => rowNeighbour(all[at], -1),
        ArrowDown: () => rowNeighbour(all[at], 1),
        Home: () => all[0],
        End: () => all[all.length - 1],
      };
      if (moves[event.key]) {
        event.preventDefault();
        moveTo(moves[event.key]());
      }
    });

    list.addEventListener('focusin', (event) => {
      if (items().includes(event.target)) {
        moveTo(event.target);
      }
    });

    // Builds the list again through `build`: the stop stays on the same item when it is still
    // there (and keeps the focus the list had), else it goes to `preferred`, else to the first.
    return function rebuild(build, preferred) {
      const hadFocus = list.contains(document.activeElement);
      build();
      const all = items();
      const stop = all.find((b) => keyOf(b) === stopKey) || all.find((b) => b.matches(preferred)) || all[0];
      for (const item of all) {
        item.tabIndex = item === stop ? 0 : -1;
      }
      if (stop && hadFocus) {
        stop.focus();
      }
    };
  };
})(window.LM);
