-- End-to-end test with Neovim as a real client of quorlin-lsp: recognises
-- scripts by their first words, opens a broken script, waits for the
-- diagnostics and checks where they stand, asks for hover, completion and
-- the budget lens, measures how soon a diagnostic follows a change, and
-- checks that the lens follows typing in insert mode. Run headless:
--
--   QUORLIN_LSP=build/ci/bin/quorlin-lsp nvim --headless -u NONE -i NONE -c "luafile editors/nvim/test/e2e.lua"
--
-- Exits with status 0 when every check holds, 1 otherwise.
local root = vim.fn.fnamemodify(debug.getinfo(1, "S").source:sub(2), ":p:h:h:h:h")
vim.opt.runtimepath:append(root .. "/editors/vim")
vim.opt.runtimepath:append(root .. "/editors/nvim")
vim.cmd("filetype on")

local failures = {}
local function check(ok, what)
  if not ok then
    table.insert(failures, what)
  end
end

local function finish()
  for _, failure in ipairs(failures) do
    io.stderr:write("FAILED: " .. failure .. "\n")
  end
  io.stderr:write(#failures == 0 and "nvim end-to-end: all checks passed\n" or "")
  vim.cmd(#failures == 0 and "qall!" or "cquit!")
end

-- Every text of the shared detection table in a .txt file: scripts get the
-- quorlin type (and the server: one starting with Input draws its error),
-- other texts keep the plain text type.
local function check_detection()
  local detection = vim.fn.json_decode(table.concat(vim.fn.readfile(root .. "/editors/script-detection.json"), "\n"))
  for key, expected in pairs({ scripts = "quorlin", others = "text" }) do
    for _, lines in ipairs(detection[key]) do
      local path = vim.fn.tempname() .. ".txt"
      vim.fn.writefile(lines, path)
      vim.cmd("edit " .. vim.fn.fnameescape(path))
      check(vim.bo.filetype == expected, vim.inspect(lines) .. " is " .. vim.bo.filetype .. ", expected " .. expected)
      vim.cmd("bwipeout!")
    end
  end
  local path = vim.fn.tempname() .. ".txt"
  vim.fn.writefile({ "# no parameter list", "Input UV;", "Output TexCoord2;", "BeginScript", "EndScript" }, path)
  vim.cmd("edit " .. vim.fn.fnameescape(path))
  local bufnr = vim.api.nvim_get_current_buf()
  check(vim.wait(5000, function() return #vim.diagnostic.get(bufnr) > 0 end, 5), "a script starting with Input draws diagnostics")
end

local ok, err = pcall(function()
  require("quorlin").setup({ cmd = { os.getenv("QUORLIN_LSP") or "quorlin-lsp" } })
  check_detection()
  -- "é" and U+1F600 before the fault: the server counts UTF-16 units and
  -- Neovim turns them back into bytes.
  local script = {
    "# A broken script: \xC3\xA9 \xF0\x9F\x98\x80",
    "UserParams Speed;",
    "Input UV;",
    "Output TexCoord2;",
    "BeginScript",
    "Mat30 = Time * 0.5;",
    "Mat31 = \xC3\xA9 + Sin(Speed);",
    "EndScript",
  }
  local path = vim.fn.tempname() .. ".txt"
  vim.fn.writefile(script, path)
  vim.cmd("edit " .. vim.fn.fnameescape(path))
  local bufnr = vim.api.nvim_get_current_buf()
  check(vim.bo[bufnr].filetype == "quorlin", "a .txt script gets the quorlin file type")

  local got = vim.wait(10000, function() return #vim.diagnostic.get(bufnr) > 0 end, 50)
  check(got, "diagnostics arrive")
  local diagnostics = vim.diagnostic.get(bufnr)
  if got then
    -- "Invalid token found" at the "é": line 7, byte column 8 (0-based 6, 8).
    check(diagnostics[1].lnum == 6 and diagnostics[1].col == 8, "the first diagnostic stands at the é: "
      .. vim.inspect({ diagnostics[1].lnum, diagnostics[1].col, diagnostics[1].message }))
    check(diagnostics[1].source == "quorlin", "diagnostics come from quorlin")
  end

  local function request(method, line, character)
    local params = {
      textDocument = { uri = vim.uri_from_bufnr(bufnr) },
      position = { line = line, character = character },
    }
    local answers = vim.lsp.buf_request_sync(bufnr, method, params, 5000) or {}
    for _, answer in pairs(answers) do
      return answer.result
    end
  end

  -- A diagnostic follows a change within LATENCY_MS (measured and printed;
  -- the bound is generous, the server itself answers in well under 1 ms).
  local LATENCY_MS = 100
  local start = vim.loop.hrtime()
  vim.api.nvim_buf_set_lines(bufnr, 5, 6, false, { "Mat30 = Time * 0.5" })
  local broken = vim.wait(5000, function()
    for _, diagnostic in ipairs(vim.diagnostic.get(bufnr)) do
      -- The missing ';' is reported where it belongs, after "0.5".
      if diagnostic.lnum == 5 and diagnostic.col == 18 then return true end
    end
    return false
  end, 1)
  local elapsed = (vim.loop.hrtime() - start) / 1e6
  io.stderr:write(string.format("nvim end-to-end: a diagnostic %.1f ms after the change\n", elapsed))
  check(broken and elapsed < LATENCY_MS, string.format("a diagnostic within %d ms of a change (%.1f ms)", LATENCY_MS, elapsed))
  vim.api.nvim_buf_set_lines(bufnr, 5, 6, false, { "Mat30 = Time * 0.5;" })

  local hover = request("textDocument/hover", 6, 13)
  check(hover and hover.contents.value == "**Sin(value)**: function 0 of the function instruction, one argument",
    "hover on Sin: " .. vim.inspect(hover))
  local items = request("textDocument/completion", 5, 0) or {}
  local labels = {}
  for _, item in ipairs(items.items or items) do
    labels[item.label] = true
  end
  check(labels["Mat00"] and labels["Speed"] and labels["Sin"], "completion in the body offers Mat00, Speed and Sin")

  -- Mend the script: the budget lens appears at BeginScript.
  vim.api.nvim_buf_set_lines(bufnr, 6, 7, false, { "Mat31 = -Sin(Speed);" })
  vim.wait(10000, function() return #vim.diagnostic.get(bufnr) == 0 end, 50)
  check(#vim.diagnostic.get(bufnr) == 0, "the mended script has no diagnostics")
  vim.lsp.codelens.refresh()
  local lensed = vim.wait(10000, function()
    local lenses = vim.lsp.codelens.get(bufnr)
    return #lenses > 0 and lenses[1].command ~= nil and lenses[1].command.title:find("of 8192 bytes") ~= nil
  end, 50)
  check(lensed, "the budget lens stands at BeginScript")
  local lenses = vim.lsp.codelens.get(bufnr)
  if lensed then
    check(lenses[1].range.start.line == 4, "the lens is on the BeginScript line")
    check(lenses[1].command.title:find("^57 of 8192 bytes") ~= nil, "the budget of the worked example: " .. lenses[1].command.title)
  end

end)
check(ok, "no Lua error: " .. tostring(err))

-- Typing a statement in insert mode changes the lens before insert mode
-- ends. The keys are typed from the main loop, so the check polls on a timer.
local function check_lens_while_typing()
  local bufnr = vim.api.nvim_get_current_buf()
  vim.api.nvim_win_set_cursor(0, { 7, 0 })
  vim.api.nvim_feedkeys("oMat32 = Time;", "n", false)
  local deadline = vim.loop.now() + 5000
  local function poll()
    local lens = vim.lsp.codelens.get(bufnr)[1]
    local changed = lens ~= nil and lens.command ~= nil and lens.command.title:find("^57 of") == nil
    if not changed and vim.loop.now() < deadline then
      vim.defer_fn(poll, 5)
      return
    end
    check(vim.api.nvim_get_mode().mode == "i", "still in insert mode: " .. vim.api.nvim_get_mode().mode)
    check(changed, "the budget lens changes while typing: " .. vim.inspect(lens))
    finish()
  end
  vim.defer_fn(poll, 5)
end

if ok then
  check_lens_while_typing()
else
  finish()
end
