// Starts perinax-explain --lsp, bundled with this extension for Windows and
// Linux, for every Perinax.ini the editor opens; vscode-languageclient speaks
// the protocol. Every finding, hover and fix is the checker's own.
'use strict';

const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client = null;

function bundledServer(context) {
  if (process.platform === 'win32') return context.asAbsolutePath(path.join('server', 'win32', 'perinax-explain.exe'));
  if (process.platform === 'linux' && process.arch === 'x64') {
    return context.asAbsolutePath(path.join('server', 'linux-x64', 'perinax-explain'));
  }
  return null;
}

async function activate(context) {
  const configured = vscode.workspace.getConfiguration('perinax').get('serverPath');
  const command = configured || bundledServer(context);
  if (!command) {
    vscode.window.showWarningMessage('Perinax.ini: no perinax-explain for this system; set perinax.serverPath.');
    return;
  }
  // Each code's page, as the release lays them out, opened from a finding's code.
  const pages = vscode.Uri.file(context.asAbsolutePath(path.join('server', 'docs', 'warnings')));
  // A package unpacked without its modes leaves the Linux program not executable.
  if (process.platform !== 'win32' && !configured) fs.chmodSync(command, 0o755);
  const server = { command: command, args: ['--lsp'] };
  client = new LanguageClient('perinax-explain', 'Perinax.ini', server, {
    documentSelector: [{ scheme: 'file', language: 'perinax-ini' }],
    initializationOptions: { codePages: pages.toString() + '/{code}.html' },
  });
  await client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
