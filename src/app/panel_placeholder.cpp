// The windows library gains its files with the main window.
