// Creating the notes on the screen while qpost is not running starts it.
try {
    var live = new ActiveXObject("Quillpost.Notes");
    var texts = "";
    for (var i = 1; i <= live.Notes.Count; i++) texts += live.Notes(i).Text + ";";
    if (texts != "added by VBScript;added by a script;") throw new Error("qpost loaded " + texts);
    WScript.Echo("started ok");
} catch (err) {
    WScript.Echo("FAIL: " + err.message);
    WScript.Quit(1);
}
