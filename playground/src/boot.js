// Loaded first, before the editor's code: the worker starts fetching and
// compiling the WebAssembly module while the page is still loading.
window.quorlinWorker = new Worker('worker.js');
