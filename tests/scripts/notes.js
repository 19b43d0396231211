// The library as a JScript user drives it through Wine's script host.
function check(ok, what) {
    if (!ok) throw new Error(what);
}

try {
    var notes = new ActiveXObject("NoteLibrary.Notes");
    check(notes.Notes.Count == 0, "a new collection is empty");
    check(notes.TransparencyLevel == 255 && notes.ThroughClicks == false, "default options");

    var a = notes.AddNote();
    var b = notes.AddNote();
    check(a.NoteID == 1 && b.NoteID == 2, "notes are numbered by position");
    check(a.Width == 2500 && a.Height == 1300, "default size");

    a.Title = "Shopping";
    a.Left = 1200;
    check(!notes.IsChanged, "titles and moves are no edits");
    a.Text = "milk\r\nbread";
    check(notes.IsChanged, "text is an edit");
    check(a.Text == "milk\r\nbread", "text reads back");

    var seen = 0;
    for (var e = new Enumerator(notes.Notes); !e.atEnd(); e.moveNext()) {
        seen++;
        check(e.item().NoteID == seen, "enumeration in list order");
    }
    check(seen == 2, "enumeration sees every note");
    check(notes.Notes(1).Title == "Shopping", "Item is the default member");
    check(notes.Notes.Item(2).NoteID == 2, "Item by position");

    var failed = false;
    try {
        notes.Notes.Item(5);
    } catch (err) {
        failed = true;
        check(err.description == "There is no note 5 among 2 notes", "Item's error says why: " + err.description);
    }
    check(failed, "Item out of range fails");

    check(a.Zoom == 100, "a note's text starts at its designed size");
    a.Zoom = 150;
    check(a.Zoom == 150 && a.Text == "milk\r\nbread", "the text's size is set late-bound, the text kept");
    failed = false;
    try {
        a.Zoom = 1000;
    } catch (err) {
        failed = true;
        check(err.description == "A note's text is drawn at 50, 67, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300 " +
                                 "or 400 percent, not 1000", "Zoom's error says why: " + err.description);
    }
    check(failed && a.Zoom == 150, "a size that is no step is refused");

    notes.TransparencyLevel = 300;
    check(notes.TransparencyLevel == 300, "the level is stored unchecked");
    notes.SetOnTop();
    check(a.OnTop && b.OnTop, "SetOnTop defaults to true");
    a.Collapsed = true;
    check(a.Height == 210, "collapsing");

    check(notes.DeleteNote(1) == 0, "DeleteNote returns 0");
    check(notes.Notes.Count == 1 && b.NoteID == 1, "deleting renumbers");
    check(notes.DeleteNote(9) == 0 && notes.Notes.Count == 1, "a bad ID changes nothing");

    check(notes.DeletedCount == 1, "deleting keeps the note");
    check(notes.DeletedName(1) == "Shopping", "a deleted note is named by its title: " + notes.DeletedName(1));
    check(Math.abs(new Date() - new Date(notes.DeletedTime(1))) < 600000, "and by when it was deleted");
    var back = notes.RestoreDeleted(1);
    check(back.NoteID == 2 && back.Title == "Shopping" && back.Text == "milk\r\nbread" && back.Left == 1200,
          "brought back last, with all it had");
    check(notes.DeletedCount == 0, "brought back, it leaves the deleted notes");
    back.Delete();
    notes.EmptyDeleted();
    check(notes.DeletedCount == 0, "emptied");

    // Find in Notes from a script: no dialog, every note holding the text shown, letter
    // case ignored (\u00d6 and \u00f6 are one letter in two cases), and how many were found.
    var c = notes.AddNote();
    c.Text = "call \u00d6laf";
    c.Hide();
    check(notes.FindInNotes("\u00f6LAF") == 1 && c.IsVisible && !b.IsVisible, "FindInNotes shows the note holding the text");
    check(notes.FindInNotes("nowhere") == 0, "FindInNotes finds a text in no note");
    b.Title = "Roof";
    check(notes.FindInNotes("ROOF") == 1 && b.IsVisible, "FindInNotes looks in titles too");
    WScript.Echo("jscript ok");
} catch (err) {
    WScript.Echo("FAIL: " + err.message);
    WScript.Quit(1);
}
