// A collection whose LoadAll failed refuses to save; one that never loaded saves, as a
// script building a store needs.
function check(ok, what) {
    if (!ok) throw new Error(what);
}

var shell = new ActiveXObject("WScript.Shell");
var store = "HKCU\\Software\\Corkbase\\";
var keys = ["title", "left", "top", "width", "height", "color", "text", "visible"];

function read(section, key) {
    try {
        return "=" + shell.RegRead(store + section + "\\" + key);
    } catch (err) {
        return " missing";
    }
}

// Every value a save writes or leaves behind, as one text.
function snapshot() {
    var all = "notes" + read("General", "notes") + " level" + read("General", "level") + " clickthrough" +
              read("General", "clickthrough") + " saving" + read("General", "saving");
    for (var i = 1; i <= 3; i++)
        for (var k = 0; k < keys.length; k++) all += " note" + i + "/" + keys[k] + read("note" + i, keys[k]);
    return all;
}

try {
    var built = new ActiveXObject("NoteLibrary.Notes");
    for (var i = 1; i <= 3; i++) built.AddNote().Title = "note " + i;
    check(built.SaveAll() == 0, "a collection that never loaded saves");
    check(read("General", "notes") == "=3" && read("note3", "title") == "=note 3", "the built store holds 3 notes");
    shell.RegWrite(store + "note2\\left", "abc", "REG_SZ");
    var before = snapshot();

    var notes = new ActiveXObject("NoteLibrary.Notes");
    var failed = false;
    try {
        notes.LoadAll();
    } catch (err) {
        failed = true;
        check(err.description == "note2/left: \"abc\" is not a number", "the load names the value: " + err.description);
    }
    check(failed && notes.Notes.Count == 1, "the load stops at note2");
    failed = false;
    try {
        notes.SaveAll();
    } catch (err) {
        failed = true;
        check(err.description.indexOf("Nothing was saved: this collection's LoadAll did not finish") == 0,
              "the save says why: " + err.description);
    }
    check(failed, "a collection whose load failed does not save");
    check(snapshot() == before, "nothing was written: " + snapshot());
    WScript.Echo("load failed ok");
} catch (err) {
    WScript.Echo("FAIL: " + err.message);
    WScript.Quit(1);
}
