-- Neovim's own language server client, pointed at perinax-explain --lsp: opens
-- the INI file given in PERINAX_INI, waits for the diagnostics and writes what
-- Neovim received (line, code, message, severity) as JSON to PERINAX_OUT.
-- With PERINAX_STAY set it stays open, for a person (or tmux) to look.
local server = os.getenv('PERINAX_EXPLAIN')
local client = vim.lsp.start_client({
  name = 'perinax-explain',
  cmd = { server, '--lsp' },
  root_dir = vim.fn.fnamemodify(os.getenv('PERINAX_INI'), ':h'),
})
assert(client, 'the server did not start')
vim.cmd('edit ' .. vim.fn.fnameescape(os.getenv('PERINAX_INI')))
vim.lsp.buf_attach_client(0, client)
local arrived = vim.wait(10000, function() return #vim.diagnostic.get(0) > 0 end, 50)
if os.getenv('PERINAX_STAY') then return end
local received = {}
for _, d in ipairs(vim.diagnostic.get(0)) do
  local code = d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code)
  table.insert(received, { d.lnum + 1, code, d.message, d.severity })
end
table.sort(received, function(a, b) return a[1] < b[1] end)
vim.fn.writefile({ vim.fn.json_encode({ arrived = arrived, diagnostics = received }) },
                 os.getenv('PERINAX_OUT'))
vim.lsp.stop_client(client)
vim.wait(2000, function() return vim.lsp.client_is_stopped(client) end, 50)
vim.cmd('qa!')
