'use strict';

// Saved profiles: save under a name, load, and delete after a second click.
(function (LM) {
  let names = [];
  let armed = null;
  let armTimer = null;

  function typedName() {
    return LM.byId('profile-name').value.trim();
  }

  function renderSave() {
    const name = typedName();
    const save = LM.byId('profile-save');
    save.disabled = name === '';
    save.textContent = names.includes(name) ? 'Replace' : 'Save';
  }

  function disarm() {
    armed = null;
    clearTimeout(armTimer);
  }

  function profileRow(name) {
    const row = LM.el('li', 'profile');
    row.appendChild(LM.el('span', 'profile-name', name));
    const load = LM.el('button', 'btn small', 'Load');
    load.type = 'button';
    load.setAttribute('aria-label', 'Load profile ' + name);
    load.addEventListener('click', () => {
      disarm();
      LM.post('bridge', { verb: 'loadProfile', name });
      LM.announce('Loading profile ' + name);
    });
    const confirming = armed === name;
    const remove = LM.el('button', 'btn small' + (confirming ? ' confirm' : ' quiet'), confirming ? 'Delete?' : 'Delete');
    remove.type = 'button';
    remove.setAttribute('aria-label', (confirming ? 'Confirm: delete profile ' : 'Delete profile ') + name);
    remove.addEventListener('click', () => {
      if (armed === name) {
        disarm();
        LM.post('bridge', { verb: 'deleteProfile', name });
        renderList();
        return;
      }
      armed = name;
      clearTimeout(armTimer);
      armTimer = setTimeout(() => {
        armed = null;
        renderList();
      }, 4000);
      renderList();
      LM.byId('profile-list').querySelector('.btn.confirm').focus();
    });
    row.appendChild(load);
    row.appendChild(remove);
    return row;
  }

  function renderList() {
    LM.byId('profile-list').replaceChildren(...names.map(profileRow));
    LM.byId('profiles-empty').hidden = names.length > 0;
    renderSave();
  }

  window.profilesChanged = function (list) {
    names = Array.isArray(list) ? list.filter((n) => typeof n === 'string') : [];
    if (!names.includes(armed)) {
      disarm();
    }
    renderList();
  };

  let noteTimer = null;
  window.profileNote = function (text) {
    const note = LM.byId('profile-note');
    note.textContent = typeof text === 'string' ? text : '';
    note.hidden = note.textContent === '';
    clearTimeout(noteTimer);
    noteTimer = setTimeout(() => {
      note.hidden = true;
    }, 8000);
  };

  LM.initProfiles = function () {
    const field = LM.byId('profile-name');
    field.addEventListener('input', renderSave);
    LM.byId('profile-form').addEventListener('submit', (event) => {
      event.preventDefault();
      const name = typedName();
      if (name === '') {
        return;
      }
      LM.post('bridge', { verb: 'saveProfile', name });
      LM.announce('Saved profile ' + name);
      field.value = '';
      renderSave();
      LM.leaveField();
    });
    renderList();
  };
})(window.LM);
