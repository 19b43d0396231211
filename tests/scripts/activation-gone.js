// After unregistering, creating the collection fails.
try {
    new ActiveXObject("NoteLibrary.Notes");
    WScript.Echo("FAIL: the class is still registered");
    WScript.Quit(1);
} catch (err) {
    WScript.Echo("unregistered ok");
}
