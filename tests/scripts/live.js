// The notes on the screen as a JScript user changes them, while qpost runs.
function check(ok, what) {
    if (!ok) throw new Error(what);
}

function failure(call) {
    try {
        call();
    } catch (err) {
        return err.description;
    }
    return "<succeeded>";
}

try {
    var live = new ActiveXObject("Quillpost.Notes");
    var before = live.Notes.Count;
    var note = live.AddNote();
    note.Text = "added by a script";
    note.Show();
    check(live.Notes.Count == before + 1 && note.IsVisible, "the script's note is on the screen");
    var seen = "";
    for (var e = new Enumerator(live.Notes); !e.atEnd(); e.moveNext()) seen += e.item().Text + ";";
    check(seen.indexOf("added by a script;") >= 0, "enumeration crosses the processes: " + seen);

    check(failure(function () { live.LoadAll(); }).indexOf("second time") >= 0, "LoadAll on the notes on the screen fails");

    var own = new ActiveXObject("NoteLibrary.Notes");
    own.AddNote();
    var refused = failure(function () { own.SaveAll(); });
    check(refused.indexOf("\"Quillpost.Notes\"") >= 0, "a script's own collection does not save while qpost runs: " + refused);
    WScript.Echo("jscript live ok");
} catch (err) {
    WScript.Echo("FAIL: " + err.message);
    WScript.Quit(1);
}
